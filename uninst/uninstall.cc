#include "uninst/uninstall.h"

#include <filesystem>
#include <optional>
#include <string>
#include <system_error>

#include "platform/atomic-write.h"
#include "platform/desktop.h"
#include "platform/detached-script.h"
#include "platform/file-names.h"
#include "platform/process-exit.h"
#include "platform/registry.h"
#include "uninst/delete-bat.h"
#include "uninst/delete-script.h"

#if defined(_WIN32)
#include <windows.h>

#include "platform/encoding.h"
#endif

namespace uninst {

namespace {
const std::string kScriptPath = std::string("./") + platform::kDeleteScriptFileName;

#if defined(_WIN32)
// The desktop folder in the thread's ANSI code page, the one cmd.exe reads the batch file in.
// A path the code page cannot hold exactly would make the batch delete some other name, so it
// counts as unreadable and the batch finds the desktop through the profile instead.
std::optional<std::string> DesktopInAnsiCodePage() {
  const std::optional<std::string> desktop = platform::ReadDesktopDirectory();
  if (!desktop || desktop->empty()) return std::nullopt;
  const std::wstring wide = platform::Utf8ToWide(*desktop);
  BOOL lossy = FALSE;
  const int size = ::WideCharToMultiByte(CP_THREAD_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), static_cast<int>(wide.size()),
                                         nullptr, 0, nullptr, &lossy);
  if (size <= 0 || lossy) return std::nullopt;
  std::string ansi(static_cast<std::size_t>(size), '\0');
  if (::WideCharToMultiByte(CP_THREAD_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), static_cast<int>(wide.size()), ansi.data(),
                            size, nullptr, &lossy) != size ||
      lossy) {
    return std::nullopt;
  }
  return ansi;
}
#endif
}  // namespace

bool HoldsInstallation() {
  // What the launcher itself leaves: its file, and a real folder for its data.
  namespace fs = std::filesystem;
  std::error_code error;
  const fs::file_status launcher = fs::symlink_status(std::string("./") + platform::kLauncherFileName, error);
  const fs::file_status data = fs::symlink_status(platform::kDataFolder, error);
  return (fs::exists(launcher) && !fs::is_directory(launcher)) || fs::is_directory(data);
}

void DeleteUninstallKey() { platform::DeleteRegistryKey(platform::RegistryRoot::CurrentUser, kUninstallKey); }

bool WriteDeleteScript() {
  // Replaced by rename, never written through: a link planted at this name cannot redirect it.
  // The bytes go out as they are: the batch text carries its own CR LF line ends.
#if defined(_WIN32)
  return platform::WriteFileAtomically(kScriptPath, DeleteBatText(DesktopInAnsiCodePage()), platform::FileAccess::plain);
#else
  return platform::WriteFileAtomically(kScriptPath, DeleteScriptText(platform::ReadDesktopDirectory(), InstalledMenuFiles()),
                                       platform::FileAccess::executable);
#endif
}

void WriteAndRunDeleteBatch() {
  // A script that cannot be written leaves the shell nothing to run; the end is the same.
  WriteDeleteScript();
  platform::StartDetachedScript(kScriptPath);
  // At once, without clean-up: the script must find the uninstaller ended when its wait is over.
  platform::ExitImmediately(kExitCode);
}

}  // namespace uninst
