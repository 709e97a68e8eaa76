#pragma once
// A fresh folder under the system's temp folder for one test, removed with all it holds, even
// what a test made read-only.
#include <filesystem>
#include <string>
#include <system_error>

#if defined(_WIN32)
#include <cstdio>
#include <random>
#else
#include <errno.h>
#include <stdlib.h>
#endif

#include "support/environment.h"

namespace testing_support {

// A new folder below `parent` that no one else has: "cvl-test-" with a random suffix.
inline std::filesystem::path MakeUniqueFolder(const std::filesystem::path& parent =
                                                  std::filesystem::temp_directory_path()) {
#if defined(_WIN32)
  // The name is taken by creating the folder: a name that exists already only costs another try.
  std::random_device random;
  for (int attempt = 0; attempt < 100; ++attempt) {
    char suffix[16];
    std::snprintf(suffix, sizeof suffix, "%08x", static_cast<unsigned>(random()));
    const std::filesystem::path folder = parent / ("cvl-test-" + std::string(suffix));
    std::error_code error;
    if (std::filesystem::create_directory(folder, error)) return folder;
    if (error && error != std::errc::file_exists) throw std::filesystem::filesystem_error("temp folder", folder, error);
  }
  throw std::filesystem::filesystem_error("temp folder: no free name", parent,
                                          std::make_error_code(std::errc::file_exists));
#else
  std::string pattern = (parent / "cvl-test-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) {
    throw std::filesystem::filesystem_error("mkdtemp", pattern, std::error_code(errno, std::generic_category()));
  }
  return pattern;
#endif
}

class TempDir {
 public:
  TempDir() : path_(MakeUniqueFolder()) {}
  // The folder named by an environment variable when it is set (a death test's child, which runs
  // the test body again, finds its parent's folder there), else a new one that the variable then
  // names. Only the one that made it removes it.
  explicit TempDir(const char* variable) {
    if (const auto given = GetEnvironment(variable)) {
      path_ = std::filesystem::path(std::u8string(given->begin(), given->end()));
      owned_ = false;
      return;
    }
    path_ = MakeUniqueFolder();
    const std::u8string named = path_.u8string();
    SetEnvironment(variable, std::string(named.begin(), named.end()));
    variable_ = variable;
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  ~TempDir() {
    if (!variable_.empty()) SetEnvironment(variable_, std::nullopt);
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
  std::filesystem::path path_;
  bool owned_ = true;
  std::string variable_;
};

}  // namespace testing_support
