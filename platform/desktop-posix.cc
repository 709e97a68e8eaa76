#include "platform/desktop.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <string_view>
#include <vector>

namespace platform {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// One line of user-dirs.dirs, read the way xdg-user-dirs reads it: NAME="$HOME/path" or
// NAME="/path", with backslash escapes inside the quotes.
std::optional<std::string> ParseEntry(std::string_view line, std::string_view name) {
  size_t i = 0;
  while (i < line.size() && IsBlank(line[i])) ++i;
  if (line.substr(i, name.size()) != name) return std::nullopt;
  i += name.size();
  while (i < line.size() && IsBlank(line[i])) ++i;
  if (i >= line.size() || line[i] != '=') return std::nullopt;
  ++i;
  while (i < line.size() && IsBlank(line[i])) ++i;
  if (i >= line.size() || line[i] != '"') return std::nullopt;
  ++i;

  std::string value;
  constexpr std::string_view kHome = "$HOME";
  if (line.substr(i, kHome.size()) == kHome) {
    i += kHome.size();
    value = HomeDirectory();
    if (i < line.size() && line[i] != '/' && line[i] != '"') return std::nullopt;
  } else if (i >= line.size() || line[i] != '/') {
    return std::nullopt;
  }
  for (; i < line.size() && line[i] != '"'; ++i) {
    if (line[i] == '\\' && i + 1 < line.size()) ++i;
    value += line[i];
  }
  if (i >= line.size()) return std::nullopt;  // no closing quote
  return value;
}

}  // namespace

std::string HomeDirectory() {
  if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0') return home;
  std::vector<char> buffer(16384);
  passwd entry{};
  passwd* found = nullptr;
  if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found != nullptr &&
      found->pw_dir != nullptr) {
    return found->pw_dir;
  }
  return "/";
}

std::string ConfigHome() {
  if (const char* config = std::getenv("XDG_CONFIG_HOME"); config != nullptr && config[0] == '/') return config;
  return HomeDirectory() + "/.config";
}

std::string DataHome() {
  if (const char* data = std::getenv("XDG_DATA_HOME"); data != nullptr && data[0] == '/') return data;
  return HomeDirectory() + "/.local/share";
}

std::optional<std::string> ReadDesktopDirectory() {
  std::ifstream file(ConfigHome() + "/user-dirs.dirs");
  std::optional<std::string> desktop;
  // As in the shell that sources the file, a later line wins.
  for (std::string line; std::getline(file, line);) {
    if (auto value = ParseEntry(line, "XDG_DESKTOP_DIR")) desktop = std::move(value);
  }
  return desktop;
}

std::string DesktopDirectory() {
  if (auto desktop = ReadDesktopDirectory()) return *desktop;
  return HomeDirectory() + "/Desktop";
}

}  // namespace platform
