// The uninstaller: removes the launcher's installation from the folder it runs in. It asks
// nothing; its arguments are ignored, but for a single "--help", "-h" or "--version", which
// only print and delete nothing. In a folder that holds no installation it deletes nothing, says
// so in one line and ends with exit code 1.
#include <cstdio>
#include <string_view>

#include "platform/file-names.h"
#include "platform/process-paths.h"
#include "uninst/uninstall.h"

namespace {

#if defined(_WIN32)
constexpr char kUsage[] =
    "Usage: uninst\n"
    "       uninst --help | --version\n"
    "\n"
    "Removes the Corvela installation from the current folder, without asking: deletes the\n"
    "launcher's uninstall key under HKEY_CURRENT_USER, writes .\\DeleteBat.bat and starts it\n"
    "hidden. After a moment the batch deletes .\\cvl\\, every file named cvl_qx.exe or uninst.exe\n"
    "in this folder and the folders below, the desktop shortcut Corvela.lnk, and itself. The\n"
    "game folder is left as it is. In a folder that holds neither cvl_qx.exe nor cvl\\ it\n"
    "deletes nothing.\n"
    "\n"
    "Options:\n"
    "  -h, --help   print this text and exit\n"
    "  --version    print the version and exit\n";
#else
constexpr char kUsage[] =
    "Usage: uninst\n"
    "       uninst --help | --version\n"
    "\n"
    "Removes the Corvela installation from the current folder, without asking: deletes the\n"
    "launcher's uninstall key from its settings store ($CVL_REGISTRY_DIR), writes ./DeleteBat.sh\n"
    "and starts it. After a moment the script deletes ./cvl/, every file named cvl_qx or uninst\n"
    "in this folder and the folders below, the desktop shortcut Corvela.desktop, the menu entry\n"
    "and the icons in $XDG_DATA_HOME (default ~/.local/share), and itself. The game folder is\n"
    "left as it is. In a folder that holds neither cvl_qx nor cvl/ it deletes nothing.\n"
    "\n"
    "Options:\n"
    "  -h, --help   print this text and exit\n"
    "  --version    print the version and exit\n";
#endif

constexpr char kVersion[] = "uninst (Corvela uninstaller) " CVL_VERSION "\n";

// The text a lone "--help", "-h" or "--version" asks for; nothing for any other command line.
const char* InfoText(int argc, char** argv) {
  if (argc != 2) return nullptr;
  const std::string_view word = argv[1];
  if (word == "--help" || word == "-h") return kUsage;
  if (word == "--version") return kVersion;
  return nullptr;
}

}  // namespace

int main(int argc, char** argv) {
  if (const char* text = InfoText(argc, argv)) {
    return std::fputs(text, stdout) >= 0 && std::fflush(stdout) == 0 ? 0 : 1;
  }
  if (!uninst::HoldsInstallation()) {
    std::fprintf(stderr, "uninst: %s holds no Corvela installation (neither %s nor cvl/): nothing deleted\n",
                 platform::CurrentDirectory().c_str(), platform::kLauncherFileName);
    return 1;
  }
  uninst::DeleteUninstallKey();
  uninst::WriteAndRunDeleteBatch();
}
