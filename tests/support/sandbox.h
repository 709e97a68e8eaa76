#pragma once
// A private corner of the file system for one test: a temp folder that becomes the current
// directory, HOME, XDG_CONFIG_HOME and CVL_REGISTRY_DIR, all put back and removed afterwards.
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <system_error>

#include "support/environment.h"
#include "support/temp-dir.h"

namespace testing_sandbox {

namespace fs = std::filesystem;

class Sandbox {
 public:
  explicit Sandbox(const fs::path& parent = fs::temp_directory_path())
      : root_(testing_support::MakeUniqueFolder(parent)) {
    fs::create_directories(home());
    fs::create_directories(work());
    previousDirectory_ = fs::current_path();
    fs::current_path(work());
    Set("HOME", Text(home()));
    Set("XDG_CONFIG_HOME", Text(home() / ".config"));
    Set("CVL_REGISTRY_DIR", Text(registry()));
  }
  ~Sandbox() {
    fs::current_path(previousDirectory_);
    for (const auto& [name, value] : saved_) testing_support::SetEnvironment(name, value);
    std::error_code error;
    fs::remove_all(root_, error);
  }
  Sandbox(const Sandbox&) = delete;
  Sandbox& operator=(const Sandbox&) = delete;

  // Changes an environment variable for the test's duration; nullopt removes it.
  void Set(const std::string& name, std::optional<std::string> value) {
    if (!saved_.contains(name)) saved_[name] = testing_support::GetEnvironment(name);
    testing_support::SetEnvironment(name, value);
  }

  fs::path root() const { return root_; }
  fs::path home() const { return root_ / "home"; }
  fs::path work() const { return root_ / "work"; }
  fs::path registry() const { return root_ / "registry"; }

 private:
  static std::string Text(const fs::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
  }

  fs::path root_;
  fs::path previousDirectory_;
  std::map<std::string, std::optional<std::string>> saved_;
};

}  // namespace testing_sandbox
