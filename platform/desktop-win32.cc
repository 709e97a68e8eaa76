#include "platform/desktop.h"

#include <windows.h>
#include <shlobj.h>

#include "platform/encoding.h"

namespace platform {
namespace {

std::optional<std::string> ShellFolder(int folder) {
  wchar_t path[MAX_PATH];
  if (::SHGetFolderPathW(nullptr, folder, nullptr, SHGFP_TYPE_CURRENT, path) != S_OK) return std::nullopt;
  return WideToUtf8(path);
}

std::optional<std::string> Variable(const wchar_t* name) {
  const DWORD needed = ::GetEnvironmentVariableW(name, nullptr, 0);
  if (needed == 0) return std::nullopt;
  std::wstring value(needed, L'\0');
  const DWORD length = ::GetEnvironmentVariableW(name, value.data(), needed);
  if (length == 0 || length >= needed) return std::nullopt;
  value.resize(length);
  return WideToUtf8(value);
}

}  // namespace

std::string HomeDirectory() {
  if (auto profile = ShellFolder(CSIDL_PROFILE)) return *profile;
  return Variable(L"USERPROFILE").value_or(std::string());
}

// The roaming application-data folder plays the part of the configuration home.
std::string ConfigHome() {
  if (auto appData = ShellFolder(CSIDL_APPDATA)) return *appData;
  return Variable(L"APPDATA").value_or(HomeDirectory() + "\\AppData\\Roaming");
}

std::optional<std::string> ReadDesktopDirectory() { return ShellFolder(CSIDL_DESKTOPDIRECTORY); }

std::string DesktopDirectory() {
  if (auto desktop = ReadDesktopDirectory()) return *desktop;
  return HomeDirectory() + "\\Desktop";
}

}  // namespace platform
