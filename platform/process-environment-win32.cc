#include "platform/process-environment.h"

#include <windows.h>

#include <cstdlib>
#include <map>
#include <optional>

#include "platform/encoding.h"

namespace platform {
namespace {

// Windows compares variable names without regard to case.
struct NameLess {
  bool operator()(const std::string& a, const std::string& b) const { return _stricmp(a.c_str(), b.c_str()) < 0; }
};

// Name -> the value before the override; nothing when the variable was not set.
std::map<std::string, std::optional<std::string>, NameLess>& Originals() {
  static std::map<std::string, std::optional<std::string>, NameLess> originals;
  return originals;
}

std::optional<std::string> SystemValue(const std::wstring& name) {
  const DWORD needed = ::GetEnvironmentVariableW(name.c_str(), nullptr, 0);
  if (needed == 0) return std::nullopt;
  std::wstring value(needed, L'\0');
  const DWORD length = ::GetEnvironmentVariableW(name.c_str(), value.data(), needed);
  if (length >= needed) return std::nullopt;
  value.resize(length);
  return WideToUtf8(value);
}

}  // namespace

void OverrideForThisProcess(const std::string& name, const std::string& value) {
  auto& originals = Originals();
  const std::wstring wideName = Utf8ToWide(name);
  if (!originals.contains(name)) originals[name] = SystemValue(wideName);
  // Both the system's block (what CreateProcess and GetEnvironmentVariable see) and the C
  // runtime's copy (getenv in libraries) take the value.
  const std::wstring wideValue = Utf8ToWide(value);
  ::SetEnvironmentVariableW(wideName.c_str(), wideValue.c_str());
  ::_wputenv_s(wideName.c_str(), wideValue.c_str());
}

std::vector<std::string> ChildEnvironment() {
  const auto& originals = Originals();
  std::vector<std::string> entries;
  wchar_t* block = ::GetEnvironmentStringsW();
  if (block != nullptr) {
    // NAME=value entries one after the other, each ended by a zero, the block by another. Entries
    // such as "=C:=C:\x" (each drive's current folder) have a name that starts with '='.
    for (const wchar_t* entry = block; *entry != L'\0'; entry += wcslen(entry) + 1) {
      const std::string text = WideToUtf8(entry);
      const std::size_t equals = text.find('=', 1);
      if (!originals.contains(text.substr(0, equals))) entries.push_back(text);
    }
    ::FreeEnvironmentStringsW(block);
  }
  for (const auto& [name, value] : originals) {
    if (value) entries.push_back(name + "=" + *value);
  }
  return entries;
}

}  // namespace platform
