#include "install/install-worker.h"

#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "arc7z/arc-exception.h"
#include "arc7z/arc-extractor.h"
#include "arc7z/arc-format.h"
#include "arc7z/item-names.h"
#include "arc7z/sevenzip-library.h"
#include "install/download-engine.h"
#include "install/install-texts.h"
#include "platform/atomic-write.h"
#include "platform/console.h"
#include "platform/encoding.h"
#include "platform/file-names.h"
#include "platform/process-paths.h"
#include "platform/resources.h"
#include "res/resource-ids.h"
#include "util/cvlog/main-logger.h"

namespace {

void Report(const char* event) { DownloadEngine::GetInstance().ReportEvent(event); }

void SetStatus(const InstallControls& controls, const char* text) {
  controls.setStatusText(platform::Utf8ToWide(text));
}

// Returns once the player has dismissed the box.
void TellInstallFailed(const InstallControls& controls) {
  controls.messageBox(platform::Utf8ToWide(install::kInstallFailedText),
                      platform::Utf8ToWide(install::kBoxCaption));
}

// The deployed plug-in, or, when that one cannot be loaded or is refused, the launcher's own
// copy written over it once (as deployment writes it) and loaded instead.
std::unique_ptr<arc7z::SevenZipLibrary> LoadPlugin() {
  const std::wstring path = platform::Utf8ToWide(platform::kPluginPath);
  try {
    return std::make_unique<arc7z::SevenZipLibrary>(path);
  } catch (const arc7z::ArcException& e) {
    const auto embedded = platform::FindResource("DLL", res::IDR_SEVENZIP_PLUGIN);
    if (!embedded || !platform::WriteFileAtomically(platform::kPluginPath, *embedded, platform::FileAccess::plain)) throw;
    LOG_MAIN("7z library replaced: ", e.what());
  }
  return std::make_unique<arc7z::SevenZipLibrary>(path);
}

// The running launcher, the uninstaller and the data folder belong to the launcher, whatever
// folder the package unpacks into.
std::vector<std::wstring> LauncherFiles() {
  const std::string here = platform::CurrentDirectory();
  std::vector<std::wstring> paths;
  if (const std::string launcher = platform::ExecutablePath(); !launcher.empty()) {
    paths.push_back(platform::Utf8ToWide(launcher));
  }
  if (!here.empty()) {
    paths.push_back(platform::Utf8ToWide(here + "/" + platform::kUninstallerFileName));
    paths.push_back(platform::Utf8ToWide(here + "/" + platform::kDataFolder));
  }
  return paths;
}

// Returns false on an archive error, after the player has seen the box.
bool UnpackPackage(const InstallPackage& package, const InstallControls& controls) {
  try {
    Report("decode_start");
    LOG_MAIN("7z decode start");
    auto library = LoadPlugin();
    auto extractor = std::make_unique<arc7z::ArcExtractor>(*library, arc7z::kFormatSevenZip);
    extractor->setProtectedPaths(LauncherFiles());
    // The client's presence is what tells a later start that the game is installed.
    extractor->setCompletionFile(platform::Utf8ToWide(platform::kGameClientFileName));
    const std::wstring archive = platform::Utf8ToWide(package.file);
    const std::wstring gameDir = platform::Utf8ToWide(package.gameDir);
    LOG_MAIN(" packageName:", arc7z::printableName(package.file), ", path:",
             arc7z::printableName(package.gameDir));
    extractor->extract(archive, gameDir);
    Report("decode_end");
    LOG_MAIN("7z decode end");
    std::this_thread::sleep_for(std::chrono::milliseconds(2000));
    SetStatus(controls, install::kStatusFinished);
    LOG_MAIN("7z decode end2");
    extractor.reset();
    library.reset();
    return true;
  } catch (const arc7z::ArcException& e) {
    LOG_MAIN(e.what());
    platform::ConsoleWrite(std::string(e.what()) + "\n", platform::kConsolePlain);
    TellInstallFailed(controls);
    return false;
  }
}

}  // namespace

void InstallThreadProc(InstallPackage package, InstallControls controls) {
  Report("download_start");
  LOG_MAIN("download start");
  const CURLcode code = DownloadEngine::GetInstance().DownloadPackage(package.url, package.file);
  platform::ConsoleWrite("download CURLcode:" + std::to_string(static_cast<int>(code)) + "\n", platform::kConsolePlain);
  LOG_MAIN("download end");
  Report("download_end");
  if (code == CURLE_OK) {
    SetStatus(controls, install::kStatusInstalling);
    UnpackPackage(package, controls);
  } else {
    // Nothing was unpacked, so the next start downloads again; the player must know to make one.
    LOG_MAIN("download err:", curl_easy_strerror(code));
    TellInstallFailed(controls);
  }
  g_bInstallFinished = true;
}

void ProgressThreadProc(InstallControls controls) {
  std::this_thread::sleep_for(std::chrono::milliseconds(1000));
  bool first = true;
  for (;;) {
    // Every test reads the counters afresh: the worker moves them all the time.
    if (DownloadEngine::m_ulnow != 0 && DownloadEngine::m_ultotal != 0) {
      if (first) {
        first = false;
        // From 0, so that the bar's fill is the fraction received.
        controls.setProgressRange(0, DownloadEngine::m_ultotal);
      }
      controls.setProgressPos(DownloadEngine::m_ulnow);
      controls.paintProgress();
      LOG_MAIN("m_ulnow:", DownloadEngine::m_ulnow.load(), ",m_ultotal:", DownloadEngine::m_ultotal.load());
      if (DownloadEngine::m_ulnow == DownloadEngine::m_ultotal) return;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
  }
}

void StartInstallThreads(InstallPackage package, InstallControls controls) {
  std::thread(InstallThreadProc, std::move(package), controls).detach();
  std::thread(ProgressThreadProc, std::move(controls)).detach();
}
