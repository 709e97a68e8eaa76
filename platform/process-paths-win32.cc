#include "platform/process-paths.h"

#include <windows.h>

#include <vector>

#include "platform/encoding.h"

namespace platform {

std::string ExecutablePath() {
  std::vector<wchar_t> buffer(MAX_PATH);
  for (;;) {
    const DWORD length = ::GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0) return {};
    // A full buffer means the name was cut; long paths need more room.
    if (length < buffer.size()) return WideToUtf8(std::wstring_view(buffer.data(), length));
    buffer.resize(buffer.size() * 2);
  }
}

std::string CurrentDirectory() {
  for (;;) {
    const DWORD needed = ::GetCurrentDirectoryW(0, nullptr);
    if (needed == 0) return {};
    std::vector<wchar_t> buffer(needed);
    const DWORD length = ::GetCurrentDirectoryW(needed, buffer.data());
    if (length == 0) return {};
    // Another thread may have changed the directory to a longer one in between.
    if (length < needed) return WideToUtf8(std::wstring_view(buffer.data(), length));
  }
}

}  // namespace platform
