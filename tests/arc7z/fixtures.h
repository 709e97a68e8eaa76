#pragma once
// Shared pieces of the archive layer's tests: a temp folder, files, and archives built with
// the 7z command-line program.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/encoding.h"

namespace arc7z::test {

namespace fs = std::filesystem;

inline std::wstring wide(const fs::path& path) { return platform::Utf8ToWide(path.string()); }

class TempDir {
 public:
  TempDir() {
    std::string pattern = (fs::temp_directory_path() / "arc7z-test-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  ~TempDir() {
    std::error_code ignored;
    makeWritable(path_);
    fs::remove_all(path_, ignored);
  }
  const fs::path& path() const { return path_; }
  fs::path operator/(const std::string& name) const { return path_ / fs::u8path(name); }

 private:
  static void makeWritable(const fs::path& dir) {
    std::error_code ignored;
    fs::permissions(dir, fs::perms::owner_all, fs::perm_options::add, ignored);
    for (auto it = fs::recursive_directory_iterator(dir, ignored);
         it != fs::recursive_directory_iterator(); it.increment(ignored)) {
      if (!it->is_symlink()) fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ignored);
    }
  }
  fs::path path_;
};

inline void writeFile(const fs::path& path, const std::string& bytes) {
  fs::create_directories(path.parent_path());
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + path.string());
}

inline std::string readFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline std::string quoted(const std::string& text) {
  std::string q = "'";
  for (char c : text) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

// Runs the 7z program in `dir` with the given arguments (already quoted where needed).
inline void run7z(const fs::path& dir, const std::string& arguments) {
  const std::string command = "cd " + quoted(dir.string()) + " && 7z " + arguments + " >/dev/null 2>&1";
  ASSERT_EQ(std::system(command.c_str()), 0) << command;
}

// Packs the contents of `source` into `archive` (7z format unless `options` says otherwise).
inline void pack(const fs::path& source, const fs::path& archive, const std::string& options = "") {
  run7z(source, "a " + options + " " + quoted(archive.string()) + " .");
}

}  // namespace arc7z::test
