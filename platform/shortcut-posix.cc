#include "platform/shortcut.h"

#include <string_view>

#include "platform/atomic-write.h"
#include "platform/desktop.h"
#include "platform/shortcut-posix.h"

namespace platform {
namespace {

// The general escapes of a string value.
std::string EscapeValue(std::string_view text) {
  std::string out;
  for (char c : text) {
    switch (c) {
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\t': out += "\\t"; break;
      case '\r': out += "\\r"; break;
      default: out += c;
    }
  }
  // A leading blank would be taken for the blank around '='.
  if (!out.empty() && out[0] == ' ') out.replace(0, 1, "\\s");
  return out;
}

// One argument of Exec, quoted whole; '%' would start a field code.
std::string QuoteExecArgument(std::string_view argument) {
  std::string out = "\"";
  for (char c : argument) {
    if (c == '"' || c == '`' || c == '$' || c == '\\') out += '\\';
    if (c == '%') out += '%';
    out += c;
  }
  return out + '"';
}

}  // namespace

std::string DesktopEntryText(const std::string& launcher, const std::string& workingDirectory) {
  return "[Desktop Entry]\n"
         "Type=Application\n"
         "Name=Corvela\n"
         "Comment=Install and play the online game Corvela\n"
         "Exec=" + EscapeValue(QuoteExecArgument(launcher)) + "\n"
         "Path=" + EscapeValue(workingDirectory) + "\n"
         "Icon=" + kApplicationId + "\n"
         "Terminal=false\n"
         "Categories=Game;\n"
         "StartupWMClass=" + kWindowClass + "\n";
}

std::string MenuEntryPath() { return DataHome() + "/applications/" + kMenuEntryId + ".desktop"; }

std::string IconPath(int pixels) {
  const std::string size = std::to_string(pixels);
  return DataHome() + "/icons/hicolor/" + size + "x" + size + "/apps/" + kApplicationId + ".png";
}

bool CreateShortcut(const std::string& path, const std::string& target, const std::string& workingDirectory) {
  // Executable: desktops ask before they start an entry that is not.
  return WriteFileAtomically(path, DesktopEntryText(target, workingDirectory), FileAccess::executable);
}

}  // namespace platform
