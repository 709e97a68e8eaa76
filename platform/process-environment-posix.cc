#include "platform/process-environment.h"

#include <cstdlib>
#include <map>
#include <optional>

extern char** environ;

namespace platform {
namespace {

// Name -> the value before the override; nothing when the variable was not set.
std::map<std::string, std::optional<std::string>>& Originals() {
  static std::map<std::string, std::optional<std::string>> originals;
  return originals;
}

}  // namespace

void OverrideForThisProcess(const std::string& name, const std::string& value) {
  auto& originals = Originals();
  if (!originals.contains(name)) {
    const char* before = std::getenv(name.c_str());
    originals[name] = before ? std::optional<std::string>(before) : std::nullopt;
  }
  setenv(name.c_str(), value.c_str(), 1);
}

std::vector<std::string> ChildEnvironment() {
  const auto& originals = Originals();
  std::vector<std::string> entries;
  for (char** entry = environ; *entry != nullptr; ++entry) {
    const std::string text = *entry;
    if (!originals.contains(text.substr(0, text.find('=')))) entries.push_back(text);
  }
  for (const auto& [name, value] : originals) {
    if (value) entries.push_back(name + "=" + *value);
  }
  return entries;
}

}  // namespace platform
