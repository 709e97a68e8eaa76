// The dialog's links to the rest of the launcher, in a file of their own so that programs which
// pass their own services (the tests) do not link the web view and the install threads.
#include "app/krn-launch.h"
#include "ui/main-dlg.h"
#include "web/BaseHtmlView.h"

namespace ui {

MainDlg::Services MainDlg::Services::Defaults() {
  Services services;
  services.winId = theApp.m_nWinId;
  services.gameDir = theApp.m_strGameDir;
  services.createWebView = [](IHtmlViewHost& host) -> std::shared_ptr<void> {
    auto view = std::make_shared<CBaseHtmlView>();
    view->CreateInDialog(&host);
    return view;
  };
  services.startInstall = [](InstallControls controls) {
    StartInstallThreads({theApp.m_strPackageUrl, theApp.m_strPackageFile, theApp.m_strGameDir},
                        std::move(controls));
  };
  return services;
}

MainDlg::MainDlg() : MainDlg(Services::Defaults()) {}

}  // namespace ui
