// First-run deployment: what the launcher carries in its resources is written out where it is
// missing; a file that exists, whatever it holds, is left alone.
#include "app/deploy-files.h"

#include <filesystem>
#include <functional>
#include <system_error>
#include <vector>

#include "app/krn-launch.h"
#include "platform/atomic-write.h"
#include "platform/desktop.h"
#include "platform/encoding.h"
#include "platform/file-names.h"
#include "platform/process-paths.h"
#include "platform/resources.h"
#include "platform/shortcut-posix.h"
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

// Makes the missing folders on the way to `file`, each for its owner alone as the base-directory
// convention asks; folders that exist keep their permissions. The user's home is never made: a
// home that is not there (a service account's) gets no menu.
bool MakeFolders(const std::string& file) {
  namespace fs = std::filesystem;
  const fs::path home = fs::path(platform::HomeDirectory()).lexically_normal();
  std::error_code error;
  std::vector<fs::path> missing;
  for (fs::path folder = fs::path(file).lexically_normal().parent_path(); !fs::is_directory(folder, error);
       folder = folder.parent_path()) {
    if (folder == home || folder == home.parent_path() || folder == folder.parent_path()) return false;
    missing.push_back(folder);
  }
  for (auto folder = missing.rbegin(); folder != missing.rend(); ++folder) {
    if (fs::create_directory(*folder, error)) fs::permissions(*folder, fs::perms::owner_all, error);
    if (error) return false;
  }
  return true;
}

// For the menu and the icon theme, which the desktop watches: written whole, never over a file
// that is there. A failure is logged and start-up goes on.
void AddMenuFile(const std::string& path, const std::function<bool()>& write, const char* what) {
  if (Exists(path)) return;
  if (!MakeFolders(path) || !write()) LOG_MAIN(what, " not written:", path);
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
  const std::string launcher = ExecutablePath();
  const std::string folder = CurrentDirectory();
  // The icon before the entries that name it.
  for (const res::IconResource& icon : res::kIcons) {
    const std::string path = IconPath(icon.pixels);
    AddMenuFile(path, [&] { return WriteResourceToFile(Utf8ToWide(path), icon.id, L"ICON"); }, "icon");
  }

  const std::string link = DesktopDirectory() + "/" + kShortcutFileName;
  if (!Exists(link)) {
    LOG_MAIN("Source:", m_strFrom, ",wszPathLink:", link);
    // The desktop folder is not made: like the shell's, the link is only saved into one that exists.
    if (!launcher.empty()) CreateShortcut(link, launcher, folder);
  }

  if (!launcher.empty()) {
    AddMenuFile(MenuEntryPath(), [&] { return CreateShortcut(MenuEntryPath(), launcher, folder); }, "menu entry");
  }
  return true;
}
