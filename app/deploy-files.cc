// First-run deployment: what the launcher carries in its resources is written out where it is
// missing; a file that exists, whatever it holds, is left alone.
#include "app/deploy-files.h"

#include <filesystem>
#include <system_error>

#include "app/krn-launch.h"
#include "platform/atomic-write.h"
#include "platform/desktop.h"
#include "platform/encoding.h"
#include "platform/file-names.h"
#include "platform/process-paths.h"
#include "platform/resources.h"
#include "util/cvlog/main-logger.h"

namespace {

// Anything at the path counts, a dangling link included: it is not ours to replace. A path whose
// state cannot be read (no search permission, a loop of links on the way) counts as missing; its
// write is then tried and fails on its own, replacing nothing.
bool Exists(const std::string& path) {
  std::error_code error;
  return std::filesystem::exists(std::filesystem::symlink_status(path, error));
}

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

bool WriteResourceToFile(const std::wstring& path, std::uint16_t id, std::wstring_view type) {
  const auto bytes = platform::FindResource(platform::WideToUtf8(type), id);
  if (!bytes || bytes->empty()) return false;
  return platform::WriteFileAtomically(platform::WideToUtf8(path), *bytes, type == L"EXE" ? 0755 : 0644);
}

std::string DesktopEntryText(const std::string& launcher, const std::string& workingDirectory) {
  return "[Desktop Entry]\n"
         "Type=Application\n"
         "Name=Corvela\n"
         "Exec=" + EscapeValue(QuoteExecArgument(launcher)) + "\n"
         "Path=" + EscapeValue(workingDirectory) + "\n";
}

bool CKRNLaunchApp::DeployFiles() {
  using namespace platform;
  if (!Exists(kPluginPath)) {
    // The logging thread makes the data folder only when it opens its first file, which start-up
    // does not wait for.
    std::error_code error;
    std::filesystem::create_directory(kDataFolder, error);
    WriteResourceToFile(Utf8ToWide(kPluginPath), res::IDR_SEVENZIP_PLUGIN, L"DLL");
    CreateDesktopShortcut();
  }
  const std::string uninstaller = std::string("./") + kUninstallerFileName;
  if (!Exists(uninstaller)) WriteResourceToFile(Utf8ToWide(uninstaller), res::IDR_UNINSTALLER, L"EXE");
  return true;
}

bool CKRNLaunchApp::CreateDesktopShortcut() {
  using namespace platform;
  const std::string link = DesktopDirectory() + "/" + kShortcutFileName;
  if (Exists(link)) return true;
  LOG_MAIN("Source:", m_strFrom, ",wszPathLink:", link);
  const std::string launcher = ExecutablePath();
  // The desktop folder is not made: like the shell's, the link is only saved into one that exists.
  if (!launcher.empty()) WriteFileAtomically(link, DesktopEntryText(launcher, CurrentDirectory()), 0755);
  return true;
}
