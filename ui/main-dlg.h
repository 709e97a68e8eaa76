#pragma once
// The launcher's only window: a borderless 1280 x 725 picture cut to the shape of its background,
// with the login page, a minimize and a close button, the status line and the progress bar. It
// runs modally on the GUI thread; when its window is gone the modal run ends.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "install/install-worker.h"
#include "ui/main-thread.h"
#include "ui/pic-button.h"
#include "ui/png-image.h"
#include "ui/progress.h"
#include "web/html-view-host.h"

typedef struct _GdkPixbuf GdkPixbuf;
typedef struct _GtkLabel GtkLabel;
typedef struct _GtkWindow GtkWindow;

namespace ui {

inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;

class MainDlg : public IHtmlViewHost {
 public:
  // What the dialog works with from the rest of the launcher, handed in by whoever opens it (app/
  // assembles the launcher's), so that the dialog links nothing above it.
  struct Services {
    std::int32_t winId = 0;  // the window to notify on close (--winid)
    std::string gameDir;     // the install folder that holds the game client
    // Puts the login page into the dialog; the dialog keeps what it returns for its whole life.
    std::function<std::shared_ptr<void>(IHtmlViewHost&)> createWebView;
    // Starts the install worker and the progress monitor with the dialog's controls.
    std::function<void(InstallControls)> startInstall;
  };

  explicit MainDlg(Services services);
  ~MainDlg() override;
  MainDlg(const MainDlg&) = delete;
  MainDlg& operator=(const MainDlg&) = delete;

  // Builds and shows the window and runs the GTK main loop until the window is destroyed.
  // IDCANCEL after Esc or the window manager's close, -1 after DestroyWindow.
  int DoModal();
  // Builds, initialises and shows the window without running a loop of its own, for a caller
  // that runs the loop itself; DoModal is Create plus the loop.
  void Create();
  void EndDialog(int result);

  // IHtmlViewHost
  GtkWidget* GetDlgItem(int id) override;
  GtkFixed* ClientArea() override { return m_client; }
  void BringToFront() override;
  std::int32_t WindowHandle() override;
  bool DestroyWindow() override;

  GtkWindow* Window() const { return m_window; }
  std::string StatusText() const;

  // The controls as the install threads reach them: each call runs synchronously on the GUI
  // thread and does nothing once the dialog is gone.
  InstallControls MakeInstallControls();

  void OnBnClickedMin();
  void OnBnClickedClose();
  void OnOK() {}
  void OnCopyData();

  CPicButton m_btnClose;
  CPicButton m_btnMin;
  CProgress m_progress;
  GtkLabel* m_staticStatus = nullptr;
  CImage m_imgShape;
  GdkPixbuf* m_pBkImage = nullptr;

 private:
  friend struct MainDlgSignals;
  void BuildTemplate();
  void DoDataExchange();
  bool OnInitDialog();
  void SetStatusText(const std::string& text);
  void OnDestroyed();

  Services m_services;
  std::shared_ptr<Lifeline> m_life;
  GtkWindow* m_window = nullptr;
  GtkFixed* m_client = nullptr;
  GtkWidget* m_webFrame = nullptr;
  std::shared_ptr<void> m_webView;
  bool m_bModal = false;
  int m_nResult = -1;
};

}  // namespace ui
