#include "app/command-line.h"

#include <string_view>

#include "platform/encoding.h"

std::wstring JoinCommandLine(int argc, const char* const* argv) {
  std::string line;
  for (int i = 1; i < argc; ++i) {
    const std::string argument = argv[i];
    if (i > 1) line += ' ';
    if (argument.find_first_of(" \"\\") == std::string::npos) {
      line += argument;
      continue;
    }
    line += '"';
    for (const char c : argument) {
      if (c == '"' || c == '\\') line += '\\';
      line += c;
    }
    line += '"';
  }
  return platform::Utf8ToWide(line);
}

InfoRequest ReadInfoRequest(int argc, const char* const* argv) {
  if (argc != 2) return InfoRequest::none;
  const std::string_view word = argv[1];
  if (word == "--help" || word == "-h") return InfoRequest::usage;
  if (word == "--version") return InfoRequest::version;
  return InfoRequest::none;
}

std::string InfoText(InfoRequest request) {
  if (request == InfoRequest::version) return "cvl_qx (Corvela launcher) " CVL_VERSION "\n";
  return "Usage: cvl_qx [--winid ID] [--fromc TEXT] [--tokenc TEXT]\n"
         "       cvl_qx --help | --version\n"
         "\n"
         "Installs and starts the online game Corvela. Run from its install folder, it fetches the\n"
         "download configuration, downloads and unpacks the game package when the game is missing,\n"
         "shows the login page and starts the game client once the player has logged in.\n"
         "It needs an X11 display and allows one launcher per display and per install folder.\n"
         "\n"
         "Options (given by the game platform; all optional):\n"
         "  --winid ID      X11 window told by a close notice when the player closes the launcher\n"
         "  --fromc TEXT    where the start came from, passed on to the login page\n"
         "  --tokenc TEXT   login token, passed on to the login page\n"
         "  -h, --help      print this text and exit\n"
         "  --version       print the version and exit\n"
         "\n"
         "Writes:\n"
         "  ./cvl/                    the archive plug-in, the game package and the logs (./cvl/logs/)\n"
         "  ./uninst                  the uninstaller (run it there to remove the installation)\n"
         "  the game folder           named by the download configuration\n"
         "  the desktop folder        Corvela.desktop, a shortcut\n"
         "  $XDG_DATA_HOME            applications/io.corvela.Launcher.desktop, the menu entry, and the icons\n"
         "                            in icons/hicolor/ (default ~/.local/share)\n"
         "  $CVL_REGISTRY_DIR         the launcher's settings store\n"
         "                            (default $XDG_CONFIG_HOME/corvela/registry, ~/.config/...)\n"
         "Files that exist already are never replaced.\n";
}
