#pragma once
// The process environment changed for one test. Names and values are UTF-8 texts on every
// system; on Windows they go through the C runtime's wide environment, which getenv and child
// processes see as well.
#include <stdlib.h>

#include <filesystem>
#include <optional>
#include <string>
#include <utility>

namespace testing_support {

#if defined(_WIN32)
namespace environment_detail {
inline std::wstring Wide(const std::string& utf8) {
  return std::filesystem::path(std::u8string(utf8.begin(), utf8.end())).wstring();
}
inline std::string Utf8(const std::wstring& wide) {
  const std::u8string utf8 = std::filesystem::path(wide).u8string();
  return std::string(utf8.begin(), utf8.end());
}
}  // namespace environment_detail
#endif

// The value of `name`; nothing when it is not set.
inline std::optional<std::string> GetEnvironment(const std::string& name) {
#if defined(_WIN32)
  const wchar_t* value = ::_wgetenv(environment_detail::Wide(name).c_str());
  if (value == nullptr) return std::nullopt;
  return environment_detail::Utf8(value);
#else
  const char* value = ::getenv(name.c_str());
  if (value == nullptr) return std::nullopt;
  return std::string(value);
#endif
}

// Sets `name` to `value`, or removes it when `value` is nothing. On Windows an empty value
// removes the variable too: the C runtime keeps no empty ones.
inline void SetEnvironment(const std::string& name, const std::optional<std::string>& value) {
#if defined(_WIN32)
  ::_wputenv_s(environment_detail::Wide(name).c_str(), value ? environment_detail::Wide(*value).c_str() : L"");
#else
  if (value) {
    ::setenv(name.c_str(), value->c_str(), 1);
  } else {
    ::unsetenv(name.c_str());
  }
#endif
}

// `name` holds `value` (or is removed, with nothing) until the end of the scope, then what it
// held before.
class ScopedEnvironment {
 public:
  ScopedEnvironment(std::string name, const std::optional<std::string>& value)
      : name_(std::move(name)), previous_(GetEnvironment(name_)) {
    SetEnvironment(name_, value);
  }
  ~ScopedEnvironment() { SetEnvironment(name_, previous_); }
  ScopedEnvironment(const ScopedEnvironment&) = delete;
  ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

 private:
  std::string name_;
  std::optional<std::string> previous_;
};

}  // namespace testing_support
