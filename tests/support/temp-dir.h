#pragma once
// A fresh folder under the system's temp folder for one test, removed with all it holds, even
// what a test made read-only.
#include <stdlib.h>

#include <filesystem>
#include <stdexcept>
#include <string>

namespace testing_support {

class TempDir {
 public:
  TempDir() { path_ = Make(); }
  // The folder named by an environment variable when it is set (a death test's child, which runs
  // the test body again, finds its parent's folder there), else a new one that the variable then
  // names. Only the one that made it removes it.
  explicit TempDir(const char* variable) {
    if (const char* given = ::getenv(variable)) {
      path_ = given;
      owned_ = false;
      return;
    }
    path_ = Make();
    ::setenv(variable, path_.c_str(), 1);
    variable_ = variable;
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  ~TempDir() {
    if (!variable_.empty()) ::unsetenv(variable_.c_str());
    if (!owned_) return;
    namespace fs = std::filesystem;
    std::error_code ignored;
    fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ignored);
    for (auto it = fs::recursive_directory_iterator(path_, ignored); it != fs::recursive_directory_iterator();
         it.increment(ignored)) {
      if (!it->is_symlink()) fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ignored);
    }
    fs::remove_all(path_, ignored);
  }

  const std::filesystem::path& path() const { return path_; }
  std::filesystem::path operator/(const std::string& name) const { return path_ / std::filesystem::u8path(name); }
  // The folder (or one below it) as a text with its trailing separator, as a logger path is given.
  std::string folder(const std::string& sub = "") const { return (path_ / sub).string() + "/"; }

 private:
  static std::filesystem::path Make() {
    std::string pattern = (std::filesystem::temp_directory_path() / "cvl-test-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    return pattern;
  }

  std::filesystem::path path_;
  bool owned_ = true;
  std::string variable_;
};

}  // namespace testing_support
