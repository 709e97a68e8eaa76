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
#include "platform/shortcut.h"
#include "util/cvlog/main-logger.h"

namespace {

// Anything at the path counts, a dangling link included: it is not ours to replace. A path whose
// state cannot be read (no search permission, a loop of links on the way) counts as missing; its
// write is then tried and fails on its own, replacing nothing.
bool Exists(const std::string& path) {
  std::error_code error;
  return std::filesystem::exists(std::filesystem::symlink_status(path, error));
}

}  // namespace

bool WriteResourceToFile(const std::wstring& path, std::uint16_t id, std::wstring_view type) {
  const auto bytes = platform::FindResource(platform::WideToUtf8(type), id);
  if (!bytes || bytes->empty()) return false;
  return platform::WriteFileAtomically(platform::WideToUtf8(path), *bytes,
                                       type == L"EXE" ? platform::FileAccess::executable : platform::FileAccess::plain);
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
  if (!launcher.empty()) CreateShortcut(link, launcher, CurrentDirectory());
  return true;
}
