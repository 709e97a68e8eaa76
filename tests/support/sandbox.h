#pragma once
// A private corner of the file system for one test: a temp folder that becomes the current
// directory, HOME, XDG_CONFIG_HOME and CVL_REGISTRY_DIR, all put back and removed afterwards.
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <map>
#include <optional>
#include <string>

namespace testing_sandbox {

namespace fs = std::filesystem;

class Sandbox {
 public:
  explicit Sandbox(const fs::path& parent = fs::temp_directory_path()) {
    std::string pattern = (parent / "cvl-test-XXXXXX").string();
    root_ = fs::path(::mkdtemp(pattern.data()));
    fs::create_directories(home());
    fs::create_directories(work());
    previousDirectory_ = fs::current_path();
    fs::current_path(work());
    Set("HOME", home().string());
    Set("XDG_CONFIG_HOME", (home() / ".config").string());
    Set("CVL_REGISTRY_DIR", registry().string());
  }
  ~Sandbox() {
    fs::current_path(previousDirectory_);
    for (const auto& [name, value] : saved_) {
      if (value) {
        ::setenv(name.c_str(), value->c_str(), 1);
      } else {
        ::unsetenv(name.c_str());
      }
    }
    std::error_code error;
    fs::remove_all(root_, error);
  }
  Sandbox(const Sandbox&) = delete;
  Sandbox& operator=(const Sandbox&) = delete;

  // Changes an environment variable for the test's duration; nullopt removes it.
  void Set(const std::string& name, std::optional<std::string> value) {
    if (!saved_.contains(name)) {
      const char* old = ::getenv(name.c_str());
      saved_[name] = old ? std::optional<std::string>(old) : std::nullopt;
    }
    if (value) {
      ::setenv(name.c_str(), value->c_str(), 1);
    } else {
      ::unsetenv(name.c_str());
    }
  }

  fs::path root() const { return root_; }
  fs::path home() const { return root_ / "home"; }
  fs::path work() const { return root_ / "work"; }
  fs::path registry() const { return root_ / "registry"; }

 private:
  fs::path root_;
  fs::path previousDirectory_;
  std::map<std::string, std::optional<std::string>> saved_;
};

}  // namespace testing_sandbox
