#pragma once
// Whole files read and written in one call.
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <string_view>

namespace testing_support {

// The bytes of `path`; empty when it cannot be read.
inline std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

// Replaces `path` with `bytes`, creating the folders above it.
inline void WriteFile(const std::filesystem::path& path, std::string_view bytes) {
  std::error_code ignored;
  if (path.has_parent_path()) std::filesystem::create_directories(path.parent_path(), ignored);
  std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

}  // namespace testing_support
