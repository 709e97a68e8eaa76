#include "uninst/delete-script.h"

#include "platform/file-names.h"
#include "platform/shortcut-posix.h"
#include "res/resource-ids.h"

namespace uninst {

namespace {

// Verbatim for sh: inside single quotes only the quote itself needs care.
std::string ShellQuoted(const std::string& text) {
  std::string out = "'";
  for (char c : text) {
    if (c == '\'') {
      out += "'\\''";
    } else {
      out += c;
    }
  }
  return out + "'";
}

// del /F /S /Q <name>: the files of that name here and in every folder below.
std::string DeleteEverywhereBelow(const std::string& folder, const char* name) {
  return "find " + folder + " -name " + name + " ! -type d -exec rm -f -- {} +";
}

}  // namespace

std::string DeleteScriptText(const std::optional<std::string>& desktop, const std::vector<std::string>& menuFiles) {
  using namespace platform;
  const std::string data = kDataFolder;
  std::string text = "#!/bin/sh\n";
  if (desktop) {
    text += "sleep 1\n";
    text += " \n";
  } else {
    text += "sleep 2\n";
  }
  // del cvl empties the data folder, rd then removes it with everything below.
  text += "find " + data + " ! -type d -exec rm -f -- {} +\n";
  text += "rm -r -f -- " + data + "\n";
  text += DeleteEverywhereBelow(".", kLauncherFileName) + "\n";
  text += DeleteEverywhereBelow(".", kUninstallerFileName) + "\n";
  // Only the entry at the desktop's top level: the desktop may be the home folder itself, and the
  // player's other entries of that name below it are not ours.
  const std::string entry = desktop ? ShellQuoted(*desktop + "/" + kShortcutFileName)
                                    : std::string("\"$HOME/Desktop/") + kShortcutFileName + "\"";
  text += "rm -f -- " + entry + "\n";
  for (const std::string& file : menuFiles) text += "rm -f -- " + ShellQuoted(file) + "\n";
  text += "rm -f -- \"$0\"";
  return text;
}

std::vector<std::string> InstalledMenuFiles() {
  std::vector<std::string> files = {platform::MenuEntryPath()};
  for (const res::IconResource& icon : res::kIcons) files.push_back(platform::IconPath(icon.pixels));
  return files;
}

}  // namespace uninst
