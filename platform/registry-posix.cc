#include "platform/registry.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <sstream>
#include <vector>

#include "platform/atomic-write.h"
#include "platform/desktop.h"

namespace platform {

namespace {

// The file of a root, in the text form of a registry export:
//   [SOFTWARE\Vendor\Key]
//   "name"=dword:00002710
//   "other"="text with \" and \\ escaped"
struct Value {
  std::string name;
  bool isDword = false;
  std::uint32_t dword = 0;
  std::string text;
};

struct Key {
  std::string path;
  std::vector<Value> values;
};

using Hive = std::vector<Key>;

constexpr size_t kMaxKeyNameLength = 255;

bool SameName(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
           return lower(x) == lower(y);
         });
}

bool IsValidKeyPath(std::string_view path) {
  if (path.empty()) return false;
  size_t start = 0;
  for (;;) {
    const size_t end = std::min(path.find('\\', start), path.size());
    const std::string_view name = path.substr(start, end - start);
    if (name.empty() || name.size() > kMaxKeyNameLength) return false;
    for (unsigned char c : name) {
      if (c < 0x20 || c == 0x7F) return false;
    }
    if (end == path.size()) return true;
    start = end + 1;
  }
}

Key* FindKey(Hive& hive, std::string_view path) {
  for (Key& key : hive) {
    if (SameName(key.path, path)) return &key;
  }
  return nullptr;
}

bool HasSubkeys(const Hive& hive, std::string_view path) {
  return std::any_of(hive.begin(), hive.end(), [&](const Key& key) {
    return key.path.size() > path.size() + 1 && key.path[path.size()] == '\\' &&
           SameName(std::string_view(key.path).substr(0, path.size()), path);
  });
}

Value* FindValue(Key& key, std::string_view name) {
  for (Value& value : key.values) {
    if (SameName(value.name, name)) return &value;
  }
  return nullptr;
}

std::string Quote(std::string_view text) {
  std::string out = "\"";
  for (unsigned char c : text) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c < 0x20 || c == 0x7F) {
      char escape[5];
      std::snprintf(escape, sizeof escape, "\\x%02X", c);
      out += escape;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out + '"';
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Reads a quoted text at `i`, leaving `i` after its closing quote.
std::optional<std::string> Unquote(std::string_view line, size_t& i) {
  if (i >= line.size() || line[i] != '"') return std::nullopt;
  std::string out;
  for (++i; i < line.size(); ++i) {
    const char c = line[i];
    if (c == '"') {
      ++i;
      return out;
    }
    if (c != '\\') {
      out += c;
      continue;
    }
    if (++i >= line.size()) return std::nullopt;
    if (line[i] == '"' || line[i] == '\\') {
      out += line[i];
    } else if (line[i] == 'x' && i + 2 < line.size() && HexDigit(line[i + 1]) >= 0 && HexDigit(line[i + 2]) >= 0) {
      out += static_cast<char>(HexDigit(line[i + 1]) * 16 + HexDigit(line[i + 2]));
      i += 2;
    } else {
      return std::nullopt;
    }
  }
  return std::nullopt;
}

std::optional<Value> ParseValue(std::string_view line) {
  size_t i = 0;
  Value value;
  auto name = Unquote(line, i);
  if (!name || i >= line.size() || line[i] != '=') return std::nullopt;
  value.name = std::move(*name);
  const std::string_view data = line.substr(i + 1);
  constexpr std::string_view kDword = "dword:";
  if (data.starts_with(kDword)) {
    const std::string_view digits = data.substr(kDword.size());
    if (digits.size() != 8) return std::nullopt;
    for (char c : digits) {
      const int digit = HexDigit(c);
      if (digit < 0) return std::nullopt;
      value.dword = value.dword * 16 + static_cast<std::uint32_t>(digit);
    }
    value.isDword = true;
    return value;
  }
  size_t j = 0;
  auto text = Unquote(data, j);
  if (!text || j != data.size()) return std::nullopt;
  value.text = std::move(*text);
  return value;
}

// On failure `lineNumber` is the line that could not be read.
std::optional<Hive> ParseHive(std::istream& in, int& lineNumber) {
  Hive hive;
  Key* current = nullptr;
  lineNumber = 0;
  for (std::string line; std::getline(in, line);) {
    ++lineNumber;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line[0] == ';') continue;
    if (line[0] == '[') {
      if (line.back() != ']') return std::nullopt;
      std::string path = line.substr(1, line.size() - 2);
      if (!IsValidKeyPath(path)) return std::nullopt;
      current = FindKey(hive, path);
      if (current == nullptr) current = &hive.emplace_back(Key{std::move(path), {}});
      continue;
    }
    auto value = ParseValue(line);
    if (!value || current == nullptr) return std::nullopt;
    if (Value* existing = FindValue(*current, value->name)) {
      *existing = std::move(*value);
    } else {
      current->values.push_back(std::move(*value));
    }
  }
  return hive;
}

std::string FormatHive(const Hive& hive, std::string_view rootName) {
  std::string out = "; Corvela registry, " + std::string(rootName) + "\n";
  for (const Key& key : hive) {
    out += "\n[" + key.path + "]\n";
    for (const Value& value : key.values) {
      out += Quote(value.name) + '=';
      if (value.isDword) {
        char digits[9];
        std::snprintf(digits, sizeof digits, "%08X", static_cast<unsigned>(value.dword));
        out += "dword:";
        out += digits;
      } else {
        out += Quote(value.text);
      }
      out += '\n';
    }
  }
  return out;
}

const char* RootName(RegistryRoot root) {
  return root == RegistryRoot::LocalMachine ? "HKEY_LOCAL_MACHINE" : "HKEY_CURRENT_USER";
}

std::string RootFile(RegistryRoot root) { return RegistryDirectory() + "/" + RootName(root) + ".reg"; }

// A missing file is an empty root; a file that cannot be read or parsed is nothing.
std::optional<Hive> LoadHive(const std::string& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) {
    struct stat info;
    if (::stat(file.c_str(), &info) != 0 && errno == ENOENT) return Hive{};
    return std::nullopt;
  }
  int lineNumber = 0;
  auto hive = ParseHive(in, lineNumber);
  if (in.bad()) return std::nullopt;
  if (!hive) {
    // Every change to this root now fails; say why once per attempt, where a user can see it.
    std::fprintf(stderr, "registry: %s line %d cannot be read; the file is left as it is\n", file.c_str(),
                 lineNumber);
  }
  return hive;
}

bool MakeDirectories(const std::string& path) {
  for (size_t slash = path.find('/', 1);; slash = path.find('/', slash + 1)) {
    const std::string prefix = path.substr(0, slash);
    if (::mkdir(prefix.c_str(), 0700) != 0 && errno != EEXIST) return false;
    if (slash == std::string::npos) return true;
  }
}

// Runs `change` on the root's contents under the root's lock and stores them when it reports a
// change. `change` returns false to refuse; it sets `changed` when there is something to store.
bool UpdateHive(RegistryRoot root, const std::function<bool(Hive&, bool& changed)>& change) {
  const std::string directory = RegistryDirectory();
  if (!MakeDirectories(directory)) return false;
  const std::string file = RootFile(root);
  // A lock file of its own: the root file is replaced on every change, and a lock on a replaced
  // file guards nothing.
  const int lock = ::open((file + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (lock < 0) return false;
  while (::flock(lock, LOCK_EX) != 0) {
    if (errno != EINTR) {
      ::close(lock);
      return false;
    }
  }
  bool ok = false;
  if (auto hive = LoadHive(file)) {
    bool changed = false;
    ok = change(*hive, changed);
    if (ok && changed) ok = WriteFileAtomically(file, FormatHive(*hive, RootName(root)), FileAccess::ownerOnly);
  }
  ::close(lock);  // releases the lock
  return ok;
}

bool SetValue(RegistryRoot root, const std::string& path, Value value) {
  return UpdateHive(root, [&](Hive& hive, bool& changed) {
    Key* key = FindKey(hive, path);
    if (key == nullptr) return false;
    if (Value* existing = FindValue(*key, value.name)) {
      value.name = existing->name;  // the name keeps the case it was first written with
      *existing = std::move(value);
    } else {
      key->values.push_back(std::move(value));
    }
    changed = true;
    return true;
  });
}

std::optional<Value> GetValue(RegistryRoot root, const std::string& path, std::string_view name) {
  auto hive = LoadHive(RootFile(root));
  if (!hive) return std::nullopt;
  Key* key = FindKey(*hive, path);
  if (key == nullptr) return std::nullopt;
  Value* value = FindValue(*key, name);
  if (value == nullptr) return std::nullopt;
  return *value;
}

}  // namespace

std::string RegistryDirectory() {
  if (const char* directory = std::getenv("CVL_REGISTRY_DIR"); directory != nullptr && *directory != '\0') {
    return directory;
  }
  return ConfigHome() + "/corvela/registry";
}

std::optional<RegistryKey> RegistryKey::Open(RegistryRoot root, std::string_view path) {
  if (!IsValidKeyPath(path)) return std::nullopt;
  auto hive = LoadHive(RootFile(root));
  if (!hive) return std::nullopt;
  const Key* key = FindKey(*hive, path);
  if (key == nullptr) return std::nullopt;
  return RegistryKey(root, key->path);
}

std::optional<RegistryKey> RegistryKey::Create(RegistryRoot root, std::string_view path) {
  if (!IsValidKeyPath(path)) return std::nullopt;
  std::string stored;
  const bool ok = UpdateHive(root, [&](Hive& hive, bool& changed) {
    // Every key above the new one exists too; each keeps the case it already has.
    for (size_t end = path.find('\\');; end = path.find('\\', end + 1)) {
      const std::string_view prefix = path.substr(0, end);
      if (const Key* key = FindKey(hive, prefix)) {
        stored = key->path;
      } else {
        stored = stored.empty() ? std::string(prefix) : stored + "\\" + std::string(prefix.substr(stored.size() + 1));
        hive.push_back(Key{stored, {}});
        changed = true;
      }
      if (end == std::string_view::npos) return true;
    }
  });
  if (!ok) return std::nullopt;
  return RegistryKey(root, stored);
}

bool RegistryKey::SetDword(std::string_view name, std::uint32_t value) const {
  return SetValue(root_, path_, Value{std::string(name), true, value, {}});
}

bool RegistryKey::SetString(std::string_view name, std::string_view value) const {
  return SetValue(root_, path_, Value{std::string(name), false, 0, std::string(value)});
}

std::optional<std::uint32_t> RegistryKey::GetDword(std::string_view name) const {
  auto value = GetValue(root_, path_, name);
  if (!value || !value->isDword) return std::nullopt;
  return value->dword;
}

std::optional<std::string> RegistryKey::GetString(std::string_view name) const {
  auto value = GetValue(root_, path_, name);
  if (!value || value->isDword) return std::nullopt;
  return value->text;
}

bool DeleteRegistryKey(RegistryRoot root, std::string_view path) {
  // A key that is not there needs no lock, and no registry folder made for it.
  if (!RegistryKey::Open(root, path)) return false;
  return UpdateHive(root, [&](Hive& hive, bool& changed) {
    auto key = std::find_if(hive.begin(), hive.end(), [&](const Key& k) { return SameName(k.path, path); });
    if (key == hive.end() || HasSubkeys(hive, key->path)) return false;
    hive.erase(key);
    changed = true;
    return true;
  });
}

}  // namespace platform
