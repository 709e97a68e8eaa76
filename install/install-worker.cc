#include "install/install-worker.h"

#include <chrono>
#include <cstdio>
#include <memory>
#include <thread>

#include "arc7z/arc-exception.h"
#include "arc7z/arc-extractor.h"
#include "arc7z/arc-format.h"
#include "arc7z/sevenzip-library.h"
#include "install/download-engine.h"
#include "platform/encoding.h"
#include "platform/file-names.h"
#include "util/cvlog/main-logger.h"

namespace {

void Report(const char* event) { DownloadEngine::GetInstance().ReportEvent(event); }

// Returns false on an archive error, after the player has seen the box.
bool UnpackPackage(const InstallPackage& package, const InstallControls& controls) {
  try {
    Report("decode_start");
    LOG_MAIN("7z decode start");
    auto library = std::make_unique<arc7z::SevenZipLibrary>(platform::Utf8ToWide(platform::kPluginPath));
    auto extractor = std::make_unique<arc7z::ArcExtractor>(*library, arc7z::kFormatSevenZip);
    const std::wstring archive = platform::Utf8ToWide(package.file);
    const std::wstring gameDir = platform::Utf8ToWide(package.gameDir);
    LOG_MAIN(" packageName:", package.file, ", path:", package.gameDir);
    extractor->extract(archive, gameDir);
    Report("decode_end");
    LOG_MAIN("7z decode end");
    std::this_thread::sleep_for(std::chrono::milliseconds(2000));
    controls.setStatusText(L"下载完成");
    LOG_MAIN("7z decode end2");
    extractor.reset();
    library.reset();
    return true;
  } catch (const arc7z::ArcException& e) {
    LOG_MAIN(e.what());
    std::printf("%s\n", e.what());
    std::fflush(stdout);
    controls.messageBox(L"下载出错请重新打开", L"提示");
    return false;
  }
}

}  // namespace

void InstallThreadProc(InstallPackage package, InstallControls controls) {
  Report("download_start");
  LOG_MAIN("download start");
  const CURLcode code = DownloadEngine::GetInstance().DownloadPackage(package.url, package.file);
  std::printf("download CURLcode:%d\n", static_cast<int>(code));
  std::fflush(stdout);
  LOG_MAIN("download end");
  Report("download_end");
  if (code == CURLE_OK) {
    controls.setStatusText(L"正在安装...");
    UnpackPackage(package, controls);
  } else {
    // Nothing was unpacked, so the next start downloads again; the player must know to make one.
    LOG_MAIN("download err:", curl_easy_strerror(code));
    controls.messageBox(L"下载出错请重新打开", L"提示");
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
