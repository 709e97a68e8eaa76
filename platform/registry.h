#pragma once
// A small registry of our own in place of the Windows one: two roots, each a tree of keys that
// hold named DWORD and string values. Key paths use '\' between names; key and value names
// compare without regard to ASCII case, as the Windows registry does.
//
// Each root is one file in $CVL_REGISTRY_DIR (default $XDG_CONFIG_HOME/corvela/registry). Every
// change rewrites that file whole (temporary file + rename) under an exclusive flock, so that
// concurrent processes neither lose each other's changes nor read a half-written file. A root
// file that does not parse is never overwritten: changes to that root then fail.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

enum class RegistryRoot { LocalMachine, CurrentUser };

// The folder that holds the root files.
std::string RegistryDirectory();

class RegistryKey {
 public:
  // An existing key, or nothing.
  static std::optional<RegistryKey> Open(RegistryRoot root, std::string_view path);
  // The key, made with any missing keys above it; nothing when the path is not a valid key path
  // or the root cannot be written.
  static std::optional<RegistryKey> Create(RegistryRoot root, std::string_view path);

  // Each write fails when the key has been deleted meanwhile.
  bool SetDword(std::string_view name, std::uint32_t value) const;
  bool SetString(std::string_view name, std::string_view value) const;
  // Nothing when the value is missing or of the other type.
  std::optional<std::uint32_t> GetDword(std::string_view name) const;
  std::optional<std::string> GetString(std::string_view name) const;

  const std::string& path() const { return path_; }

 private:
  RegistryKey(RegistryRoot root, std::string path) : root_(root), path_(std::move(path)) {}

  RegistryRoot root_;
  std::string path_;
};

// Deletes a key that has no subkeys, with its values (RegDeleteKeyW). False when the key is
// missing, has subkeys, or the root cannot be written.
bool DeleteRegistryKey(RegistryRoot root, std::string_view path);

}  // namespace platform
