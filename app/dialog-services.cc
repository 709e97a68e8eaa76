#include "app/dialog-services.h"

#include <memory>
#include <utility>

#include "app/krn-launch.h"
#include "install/install-worker.h"
#include "web/base-html-view.h"

ui::MainDlg::Services LauncherDialogServices() {
  ui::MainDlg::Services services;
  services.winId = theApp.m_nWinId;
  services.gameDir = theApp.m_strGameDir;
  services.createWebView = [](IHtmlViewHost& host) -> std::shared_ptr<void> {
    auto view = std::make_shared<CBaseHtmlView>(CBaseHtmlView::StartValues{
        theApp.m_strToken, theApp.m_strFrom, theApp.m_strGameDir, theApp.m_nWinId});
    view->CreateInDialog(&host);
    return view;
  };
  services.startInstall = [](InstallControls controls) {
    StartInstallThreads({theApp.m_strPackageUrl, theApp.m_strPackageFile, theApp.m_strGameDir},
                        std::move(controls));
  };
  return services;
}
