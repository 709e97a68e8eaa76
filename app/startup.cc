#include "app/startup.h"

#include <filesystem>
#include <string>
#include <system_error>

#include "app/browser-emulation.h"
#include "install/download-engine.h"
#include "platform/file-names.h"
#include "platform/file.h"
#include "platform/process-lock.h"
#include "telemetry/report-queue.h"
#include "util/cvlog/main-logger.h"

namespace startup {

bool LockInstallFolder() {
  platform::MakeDirectory(platform::kDataFolder);
  return platform::LockForProcessLifetime(kLauncherLockPath) != platform::ProcessLockResult::heldByAnother;
}

void StartLogging() {
  cvlog::ILogManager* manager = cvlog::Instance();
  manager->ConfigFromText(kLoggingConfig);
  cvlog::g_nLogId = manager->LookupLogger("Main");
  manager->Start();
}

void InitInstanceBeforeDialog(CKRNLaunchApp& app) {
  WriteBrowserEmulationValue();
  StartLogging();
  std::error_code error;
  LOG_MAIN("work:", std::filesystem::current_path(error).string());
  app.CheckDownloadConfig();
  app.ParseCmdLine();
  app.DeployFiles();
}

void ReportLaunchStart() { DownloadEngine::GetInstance().ReportEvent("launch_start"); }

void ExitInstanceSteps() {
  LOG_MAIN("close launch");
  DownloadEngine::GetInstance().ReportEvent("close launch");
  // "close launch" is the last report the server sees; a silent server holds the exit up for
  // one report's time-out at most.
  telemetry::CloseReports(telemetry::kReportTimeout);
  cvlog::Instance()->Stop();
}

}  // namespace startup
