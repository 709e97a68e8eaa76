#include "platform/disk-space.h"

#include <windows.h>

#include "platform/encoding.h"

namespace platform {

std::optional<std::uint64_t> FreeSpaceFor(const std::string& path) {
  std::wstring current = Utf8ToWide(path.empty() ? "." : path);
  for (;;) {
    // The bytes available to this user, quotas included.
    ULARGE_INTEGER available;
    if (::GetDiskFreeSpaceExW(current.c_str(), &available, nullptr, nullptr)) return available.QuadPart;
    const DWORD error = ::GetLastError();
    if (error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND && error != ERROR_DIRECTORY) {
      return std::nullopt;
    }
    while (current.size() > 1 && (current.back() == L'/' || current.back() == L'\\')) current.pop_back();
    const auto cut = current.find_last_of(L"/\\");
    if (cut == std::wstring::npos) {
      // "C:name" lies on drive C; a bare name in the current folder.
      if (current == L"." || (current.size() == 2 && current[1] == L':')) return std::nullopt;
      current = current.size() > 2 && current[1] == L':' ? current.substr(0, 2) : L".";
    } else if (cut == 0 || (cut == 2 && current[1] == L':')) {
      const std::wstring root = current.substr(0, cut + 1);
      if (current == root) return std::nullopt;
      current = root;
    } else {
      current.erase(cut);
    }
  }
}

}  // namespace platform
