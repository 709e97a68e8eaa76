#pragma once
// The embedded login page: a WebKit view put in the dialog in place of its placeholder control
// (web/html-view-place.h). The page reaches the launcher only through `window.external.AppLogin`;
// every finished document (frames too) raises the dialog and reports "web_load"; a request for a
// new window goes to a hidden view that hands its http or https URL to the desktop's default
// browser and drops any other.
#include <cstdint>
#include <memory>
#include <string>

#include "web/html-view-host.h"

typedef struct _WebKitWebView WebKitWebView;
typedef struct _WebKitUserContentManager WebKitUserContentManager;

class CBaseHtmlView {
 public:
  // What the page and the game client are started with, from the launcher's command line.
  struct StartValues {
    std::string token;     // --token, into the start URL
    std::string from;      // --from, into the start URL
    std::string gameDir;   // the install folder that holds the game client
    std::int32_t winId = 0;  // --winid, passed on to the client
  };

  explicit CBaseHtmlView(StartValues values);
  ~CBaseHtmlView();
  CBaseHtmlView(const CBaseHtmlView&) = delete;
  CBaseHtmlView& operator=(const CBaseHtmlView&) = delete;

  // Replaces the host's placeholder with the view and loads the start URL. False (and no
  // page) when the host has no placeholder.
  bool CreateInDialog(IHtmlViewHost* parent);

  // The page's call: starts the game client with `text` (UTF-8) and destroys the dialog, or tells
  // the player the game is still downloading and starts the page over. The page's answer; false
  // at once, doing nothing, while an earlier call is still in progress.
  bool AppLogin(const std::string& text);

  const std::string& StartUrl() const { return m_szUrl; }
  // The view's widget; null before CreateInDialog and after the dialog is gone.
  WebKitWebView* WebView() const { return m_pWebView; }

 private:
  bool StartGame(const std::string& text);
  // The box of a client that cannot be started yet, then the page from its start.
  void TellNotReadyAndStartOver();
  void OnInitialUpdate();
  void OnDocumentComplete();
  // Answers WebKit's "create": the one hidden view that receives every new-window request.
  WebKitWebView* OnNewWindow2();
  // True when the navigation is to go ahead; the hidden view lets none through.
  bool BeforeNavigate2(const std::string& url);
  void Navigate(const std::string& url);
  void CreatePopupWindow(WebKitWebView* relatedView);
  void ForgetWidgets();

  StartValues m_values;
  std::string m_szUrl;
  IHtmlViewHost* m_pParentDlg = nullptr;
  bool m_bPopup = false;
  bool m_bInAppLogin = false;
  std::unique_ptr<CBaseHtmlView> m_pPopupView;

  WebKitWebView* m_pWebView = nullptr;
  WebKitUserContentManager* m_pContent = nullptr;

  friend struct HtmlViewSignals;
};
