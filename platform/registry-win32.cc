#include "platform/registry.h"

#include <windows.h>

#include "platform/encoding.h"

namespace platform {
namespace {

// The 32-bit view, where a 32-bit program's keys live also on 64-bit Windows (Wow6432Node).
constexpr REGSAM kView = KEY_WOW64_32KEY;
constexpr std::size_t kMaxKeyNameLength = 255;

HKEY RootKey(RegistryRoot root) { return root == RegistryRoot::LocalMachine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER; }

// The rule the file-backed store keeps too: names of 1 to 255 characters, no control characters.
bool IsValidKeyPath(std::string_view path) {
  if (path.empty()) return false;
  std::size_t start = 0;
  for (;;) {
    const std::size_t found = path.find('\\', start);
    const std::size_t end = found == std::string_view::npos ? path.size() : found;
    const std::string_view name = path.substr(start, end - start);
    if (name.empty() || name.size() > kMaxKeyNameLength) return false;
    for (const unsigned char c : name) {
      if (c < 0x20 || c == 0x7F) return false;
    }
    if (end == path.size()) return true;
    start = end + 1;
  }
}

class OpenKey {
 public:
  OpenKey(RegistryRoot root, const std::string& path, REGSAM access) {
    if (::RegOpenKeyExW(RootKey(root), Utf8ToWide(path).c_str(), 0, access | kView, &key_) != ERROR_SUCCESS) {
      key_ = nullptr;
    }
  }
  ~OpenKey() {
    if (key_ != nullptr) ::RegCloseKey(key_);
  }
  OpenKey(const OpenKey&) = delete;
  OpenKey& operator=(const OpenKey&) = delete;
  HKEY get() const { return key_; }

 private:
  HKEY key_ = nullptr;
};

}  // namespace

// The system's own registry holds the keys; there are no root files.
std::string RegistryDirectory() { return {}; }

std::optional<RegistryKey> RegistryKey::Open(RegistryRoot root, std::string_view path) {
  if (!IsValidKeyPath(path)) return std::nullopt;
  const OpenKey key(root, std::string(path), KEY_QUERY_VALUE);
  if (key.get() == nullptr) return std::nullopt;
  return RegistryKey(root, std::string(path));
}

std::optional<RegistryKey> RegistryKey::Create(RegistryRoot root, std::string_view path) {
  if (!IsValidKeyPath(path)) return std::nullopt;
  HKEY key = nullptr;
  if (::RegCreateKeyExW(RootKey(root), Utf8ToWide(path).c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_SET_VALUE | kView, nullptr, &key, nullptr) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  ::RegCloseKey(key);
  return RegistryKey(root, std::string(path));
}

// Each call opens the key anew, so that a key deleted meanwhile makes it fail.
bool RegistryKey::SetDword(std::string_view name, std::uint32_t value) const {
  const OpenKey key(root_, path_, KEY_SET_VALUE);
  if (key.get() == nullptr) return false;
  const DWORD data = value;
  return ::RegSetValueExW(key.get(), Utf8ToWide(name).c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&data),
                          sizeof data) == ERROR_SUCCESS;
}

bool RegistryKey::SetString(std::string_view name, std::string_view value) const {
  const OpenKey key(root_, path_, KEY_SET_VALUE);
  if (key.get() == nullptr) return false;
  const std::wstring text = Utf8ToWide(value);
  const auto bytes = static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t));  // the zero included
  return ::RegSetValueExW(key.get(), Utf8ToWide(name).c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                          bytes) == ERROR_SUCCESS;
}

std::optional<std::uint32_t> RegistryKey::GetDword(std::string_view name) const {
  const OpenKey key(root_, path_, KEY_QUERY_VALUE);
  if (key.get() == nullptr) return std::nullopt;
  DWORD type = 0;
  DWORD data = 0;
  DWORD size = sizeof data;
  if (::RegQueryValueExW(key.get(), Utf8ToWide(name).c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&data), &size) !=
          ERROR_SUCCESS ||
      type != REG_DWORD || size != sizeof data) {
    return std::nullopt;
  }
  return data;
}

std::optional<std::string> RegistryKey::GetString(std::string_view name) const {
  const OpenKey key(root_, path_, KEY_QUERY_VALUE);
  if (key.get() == nullptr) return std::nullopt;
  const std::wstring valueName = Utf8ToWide(name);
  for (;;) {
    DWORD type = 0;
    DWORD size = 0;
    if (::RegQueryValueExW(key.get(), valueName.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ)) {
      return std::nullopt;
    }
    std::wstring text(size / sizeof(wchar_t) + 1, L'\0');
    DWORD got = size;
    const LSTATUS result =
        ::RegQueryValueExW(key.get(), valueName.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(text.data()), &got);
    if (result == ERROR_MORE_DATA) continue;  // it grew in between
    if (result != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) return std::nullopt;
    // The stored value need not end in a zero, or may end in several.
    text.resize(got / sizeof(wchar_t));
    while (!text.empty() && text.back() == L'\0') text.pop_back();
    return WideToUtf8(text);
  }
}

bool DeleteRegistryKey(RegistryRoot root, std::string_view path) {
  if (!IsValidKeyPath(path)) return false;
  // RegDeleteKeyExW refuses a key that has subkeys.
  return ::RegDeleteKeyExW(RootKey(root), Utf8ToWide(path).c_str(), kView, 0) == ERROR_SUCCESS;
}

}  // namespace platform
