#include "platform/detached-process.h"

#include <windows.h>

#include <vector>

#include "platform/encoding.h"
#include "platform/process-environment.h"

namespace platform {
namespace {

// One argument as the C runtime's command-line parser reads it back: quoted when it holds a
// space, a tab or a quote (or is empty), backslashes doubled only before a quote.
void AppendQuoted(std::wstring& line, const std::wstring& argument) {
  if (!argument.empty() && argument.find_first_of(L" \t\"") == std::wstring::npos) {
    line += argument;
    return;
  }
  line += L'"';
  std::size_t backslashes = 0;
  for (const wchar_t c : argument) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    line.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
    backslashes = 0;
    line += c;
  }
  line.append(backslashes * 2, L'\\');
  line += L'"';
}

std::wstring CommandLine(const std::vector<std::string>& argv) {
  std::wstring line;
  for (const std::string& argument : argv) {
    if (!line.empty()) line += L' ';
    AppendQuoted(line, Utf8ToWide(argument));
  }
  return line;
}

// "NAME=value" entries, each ended by a zero, the block by another.
std::wstring EnvironmentBlock() {
  std::wstring block;
  for (const std::string& entry : ChildEnvironment()) {
    block += Utf8ToWide(entry);
    block += L'\0';
  }
  if (block.empty()) block += L'\0';
  block += L'\0';
  return block;
}

struct SpawnOptions {
  bool searchPath = false;
  bool detached = false;  // no console, no standard streams, a process group of its own
};

// Wide calls throughout: the program and its arguments may hold any character, which the ANSI
// code page could not all carry. Windows keeps no zombies: the handles are simply closed.
DWORD Spawn(const std::string& program, const std::vector<std::string>& argv, SpawnOptions options) {
  std::wstring line = CommandLine(argv);
  std::wstring environment = EnvironmentBlock();
  const std::wstring application = Utf8ToWide(program);
  DWORD flags = CREATE_UNICODE_ENVIRONMENT | EXTENDED_STARTUPINFO_PRESENT;
  if (options.detached) flags |= DETACHED_PROCESS | CREATE_NEW_PROCESS_GROUP;

  STARTUPINFOEXW startup{};
  startup.StartupInfo.cb = sizeof startup;
  // Only the standard handles reach the child, never the launcher's files or sockets that some
  // library left inheritable.
  std::vector<HANDLE> inherited;
  std::vector<unsigned char> attributeStorage;
  if (!options.detached) {
    for (const DWORD which : {STD_INPUT_HANDLE, STD_OUTPUT_HANDLE, STD_ERROR_HANDLE}) {
      const HANDLE handle = ::GetStdHandle(which);
      DWORD handleFlags = 0;
      if (handle != nullptr && handle != INVALID_HANDLE_VALUE && ::GetHandleInformation(handle, &handleFlags)) {
        ::SetHandleInformation(handle, HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT);
        bool seen = false;
        for (const HANDLE h : inherited) seen = seen || h == handle;
        if (!seen) inherited.push_back(handle);
      }
    }
    startup.StartupInfo.dwFlags = STARTF_USESTDHANDLES;
    startup.StartupInfo.hStdInput = ::GetStdHandle(STD_INPUT_HANDLE);
    startup.StartupInfo.hStdOutput = ::GetStdHandle(STD_OUTPUT_HANDLE);
    startup.StartupInfo.hStdError = ::GetStdHandle(STD_ERROR_HANDLE);
  }
  const bool inherit = !inherited.empty();
  if (inherit) {
    SIZE_T size = 0;
    ::InitializeProcThreadAttributeList(nullptr, 1, 0, &size);
    attributeStorage.resize(size);
    startup.lpAttributeList = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(attributeStorage.data());
    if (!::InitializeProcThreadAttributeList(startup.lpAttributeList, 1, 0, &size) ||
        !::UpdateProcThreadAttribute(startup.lpAttributeList, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, inherited.data(),
                                     inherited.size() * sizeof(HANDLE), nullptr, nullptr)) {
      return ::GetLastError();
    }
  }
  PROCESS_INFORMATION process{};
  // Without an application name the system searches for the first word of the line.
  const BOOL started =
      ::CreateProcessW(options.searchPath ? nullptr : application.c_str(), line.data(), nullptr, nullptr, inherit,
                       flags, environment.data(), nullptr, &startup.StartupInfo, &process);
  const DWORD error = started ? 0 : ::GetLastError();
  if (inherit) ::DeleteProcThreadAttributeList(startup.lpAttributeList);
  if (!started) return error != 0 ? error : ERROR_GEN_FAILURE;
  ::CloseHandle(process.hThread);
  ::CloseHandle(process.hProcess);
  return 0;
}

}  // namespace

bool StartDetached(const std::vector<std::string>& argv) {
  if (argv.empty()) return false;
  return Spawn(argv[0], argv, SpawnOptions{.searchPath = true, .detached = true}) == 0;
}

int StartProcess(const std::string& program, const std::vector<std::string>& argv) {
  return static_cast<int>(Spawn(program, argv, SpawnOptions{}));
}

}  // namespace platform
