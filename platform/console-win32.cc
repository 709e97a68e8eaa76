#include "platform/console.h"

#include <windows.h>

#include <mutex>
#include <string>

#include "platform/encoding.h"

namespace platform {
namespace {

// A pipe's write end in blocking mode would hold the writer as long as nobody reads; switched to
// no-wait mode once, a full pipe takes what fits and the rest is dropped.
void MakePipeNonBlocking(HANDLE out) {
  static std::once_flag once;
  std::call_once(once, [out] {
    DWORD mode = PIPE_READMODE_BYTE | PIPE_NOWAIT;
    ::SetNamedPipeHandleState(out, &mode, nullptr, nullptr);
  });
}

void WriteBytes(HANDLE out, std::string_view bytes) {
  if (::GetFileType(out) == FILE_TYPE_PIPE) MakePipeNonBlocking(out);
  while (!bytes.empty()) {
    const DWORD piece = bytes.size() < 65536 ? static_cast<DWORD>(bytes.size()) : 65536;
    DWORD written = 0;
    // A reader that has gone fails the write (ERROR_NO_DATA); nothing is raised.
    if (!::WriteFile(out, bytes.data(), piece, &written, nullptr) || written == 0) return;
    bytes.remove_prefix(written);
  }
}

// The console shows wide text as it is, whatever its code page.
void WriteConsoleText(HANDLE out, std::string_view text) {
  std::wstring wide = Utf8ToWide(text);
  std::wstring_view rest(wide);
  while (!rest.empty()) {
    const DWORD piece = rest.size() < 8192 ? static_cast<DWORD>(rest.size()) : 8192;
    DWORD written = 0;
    if (!::WriteConsoleW(out, rest.data(), piece, &written, nullptr) || written == 0) return;
    rest.remove_prefix(written);
  }
}

// One writer at a time, so that a colour change and its text stay together.
std::mutex& ConsoleLock() {
  static std::mutex lock;
  return lock;
}

}  // namespace

void ConsoleWrite(std::string_view text, int colour) {
  const HANDLE out = ::GetStdHandle(STD_OUTPUT_HANDLE);
  if (out == nullptr || out == INVALID_HANDLE_VALUE) return;
  DWORD mode = 0;
  if (!::GetConsoleMode(out, &mode)) {
    WriteBytes(out, text);  // a pipe or a file gets the bytes exactly as given
    return;
  }
  std::lock_guard<std::mutex> guard(ConsoleLock());
  CONSOLE_SCREEN_BUFFER_INFO info{};
  const bool coloured = colour != kConsolePlain && ::GetConsoleScreenBufferInfo(out, &info);
  if (coloured) {
    // The colour numbers are the console's own foreground bits; the background stays.
    const WORD background = info.wAttributes & 0xF0;
    ::SetConsoleTextAttribute(out, static_cast<WORD>(background | FOREGROUND_INTENSITY | (colour & 0x07)));
  }
  WriteConsoleText(out, text);
  if (coloured) ::SetConsoleTextAttribute(out, info.wAttributes);
}

}  // namespace platform
