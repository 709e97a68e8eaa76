#include "web/base-html-view.h"

#include <gtk/gtk.h>
#include <webkit2/webkit2.h>

#include <utility>

#include "install/download-engine.h"
#include "install/install-worker.h"
#include "platform/detached-process.h"
#include "platform/message-box.h"
#include "res/strings.h"
#include "util/cvlog/main-logger.h"
#include "web/app-login.h"
#include "web/html-view-place.h"

namespace {

constexpr char kAppLoginHandler[] = "cvlAppLogin";
constexpr char kDocumentCompleteHandler[] = "cvlDocumentComplete";
// The launcher's own script world. The two message handlers exist only there, so that no script
// of the page can post them: the page reaches AppLogin only through window.external, and a
// document is reported only when it has really loaded.
constexpr char kLauncherWorld[] = "cvl-launcher";

// Runs in the page's world of every frame before the page's own scripts. `window.external`
// carries AppLogin and nothing else (no prototype either, so any other name is undefined); its
// answer is a Promise of the launcher's boolean. The call and the answer cross to the launcher's
// world as DOM events on the window, the one thing the two worlds share.
constexpr char kExternalScript[] = R"JS((() => {
  const stringify = JSON.stringify, parse = JSON.parse;
  const pending = new Map();
  let lastCall = 0;
  window.addEventListener('cvl-applogin-answer', (event) => {
    const answer = parse(event.detail);
    const resolve = pending.get(answer.id);
    if (!resolve) return;
    pending.delete(answer.id);
    resolve(answer.value === true);
  }, true);
  const external = Object.create(null);
  external.AppLogin = (text) => new Promise((resolve) => {
    const id = ++lastCall;
    pending.set(id, resolve);
    const detail = stringify({id, text: text === undefined || text === null ? '' : String(text)});
    window.dispatchEvent(new CustomEvent('cvl-applogin-call', {detail}));
  });
  Object.defineProperty(window, 'external', {value: Object.freeze(external), enumerable: true});
})();)JS";

// Runs in the launcher's world of every frame: hands the page's AppLogin calls to the launcher
// and reports the frame's own load once. Events made by a script are not the browser's and do
// not count.
constexpr char kLauncherScript[] = R"JS((() => {
  const appLogin = window.webkit.messageHandlers.cvlAppLogin;
  const documentComplete = window.webkit.messageHandlers.cvlDocumentComplete;
  const answer = (id, value) => window.dispatchEvent(
      new CustomEvent('cvl-applogin-answer', {detail: JSON.stringify({id, value: value === true})}));
  window.addEventListener('cvl-applogin-call', (event) => {
    let call;
    try {
      call = JSON.parse(event.detail);
    } catch (error) {
      return;
    }
    appLogin.postMessage(String(call.text)).then((value) => answer(call.id, value),
                                                 () => answer(call.id, false));
  }, true);
  const loaded = (event) => {
    if (!event.isTrusted) return;
    window.removeEventListener('load', loaded, true);
    documentComplete.postMessage('');
  };
  window.addEventListener('load', loaded, true);
})();)JS";

// A data: URL can be megabytes long; the log keeps its start.
constexpr size_t kLoggedUrlBytes = 200;

}  // namespace

// WebKit's signals, each handed on to the view that connected it.
struct HtmlViewSignals {
  static gboolean AppLoginMessage(WebKitUserContentManager*, JSCValue* value,
                                  WebKitScriptMessageReply* reply, gpointer self) {
    gchar* text = jsc_value_to_string(value);
    const std::string utf8 = text ? text : "";
    g_free(text);
    // The context outlives a dialog destroyed inside AppLogin: the answer still has a home.
    JSCContext* context = JSC_CONTEXT(g_object_ref(jsc_value_get_context(value)));
    const bool answer = static_cast<CBaseHtmlView*>(self)->AppLogin(utf8);
    JSCValue* result = jsc_value_new_boolean(context, answer);
    webkit_script_message_reply_return_value(reply, result);
    g_object_unref(result);
    g_object_unref(context);
    return TRUE;
  }

  static void DocumentCompleteMessage(WebKitUserContentManager*, WebKitJavascriptResult*,
                                      gpointer self) {
    static_cast<CBaseHtmlView*>(self)->OnDocumentComplete();
  }

  static GtkWidget* Create(WebKitWebView*, WebKitNavigationAction*, gpointer self) {
    return GTK_WIDGET(static_cast<CBaseHtmlView*>(self)->OnNewWindow2());
  }

  static gboolean DecidePolicy(WebKitWebView*, WebKitPolicyDecision* decision,
                               WebKitPolicyDecisionType type, gpointer self) {
    if (type != WEBKIT_POLICY_DECISION_TYPE_NAVIGATION_ACTION &&
        type != WEBKIT_POLICY_DECISION_TYPE_NEW_WINDOW_ACTION) {
      return FALSE;
    }
    WebKitNavigationAction* action = webkit_navigation_policy_decision_get_navigation_action(
        WEBKIT_NAVIGATION_POLICY_DECISION(decision));
    const gchar* uri = webkit_uri_request_get_uri(webkit_navigation_action_get_request(action));
    if (static_cast<CBaseHtmlView*>(self)->BeforeNavigate2(uri ? uri : "")) return FALSE;
    webkit_policy_decision_ignore(decision);
    return TRUE;
  }

  static void Destroyed(GtkWidget*, gpointer self) {
    static_cast<CBaseHtmlView*>(self)->ForgetWidgets();
  }
};

CBaseHtmlView::CBaseHtmlView(StartValues values) : m_values(std::move(values)) {}

CBaseHtmlView::~CBaseHtmlView() {
  if (m_pWebView) {
    g_signal_handlers_disconnect_by_data(m_pWebView, this);
    // The hidden view has no container to own it; the main one belongs to the dialog.
    if (m_bPopup) {
      gtk_widget_destroy(GTK_WIDGET(m_pWebView));
      g_object_unref(m_pWebView);
    }
  }
  if (m_pContent) {
    g_signal_handlers_disconnect_by_data(m_pContent, this);
    g_object_unref(m_pContent);
  }
}

bool CBaseHtmlView::CreateInDialog(IHtmlViewHost* parent) {
  m_pParentDlg = parent;
  m_szUrl = web::FormatStartUrl(res::LoadString(res::IDS_LOGIN_URL), m_values.token,
                                m_values.from);
  GtkWidget* placeholder = parent ? parent->GetDlgItem(web::kViewPlaceholderId) : nullptr;
  if (!placeholder || m_pWebView) return false;
  gtk_widget_destroy(placeholder);

  m_pContent = webkit_user_content_manager_new();
  WebKitUserScript* pageScript = webkit_user_script_new(
      kExternalScript, WEBKIT_USER_CONTENT_INJECT_ALL_FRAMES,
      WEBKIT_USER_SCRIPT_INJECT_AT_DOCUMENT_START, nullptr, nullptr);
  webkit_user_content_manager_add_script(m_pContent, pageScript);
  webkit_user_script_unref(pageScript);
  WebKitUserScript* launcherScript = webkit_user_script_new_for_world(
      kLauncherScript, WEBKIT_USER_CONTENT_INJECT_ALL_FRAMES,
      WEBKIT_USER_SCRIPT_INJECT_AT_DOCUMENT_START, kLauncherWorld, nullptr, nullptr);
  webkit_user_content_manager_add_script(m_pContent, launcherScript);
  webkit_user_script_unref(launcherScript);
  webkit_user_content_manager_register_script_message_handler_with_reply(
      m_pContent, kAppLoginHandler, kLauncherWorld);
  webkit_user_content_manager_register_script_message_handler_in_world(
      m_pContent, kDocumentCompleteHandler, kLauncherWorld);
  g_signal_connect(m_pContent,
                   (std::string("script-message-with-reply-received::") + kAppLoginHandler).c_str(),
                   G_CALLBACK(HtmlViewSignals::AppLoginMessage), this);
  g_signal_connect(m_pContent,
                   (std::string("script-message-received::") + kDocumentCompleteHandler).c_str(),
                   G_CALLBACK(HtmlViewSignals::DocumentCompleteMessage), this);

  m_pWebView = WEBKIT_WEB_VIEW(webkit_web_view_new_with_user_content_manager(m_pContent));
  g_signal_connect(m_pWebView, "create", G_CALLBACK(HtmlViewSignals::Create), this);
  g_signal_connect(m_pWebView, "destroy", G_CALLBACK(HtmlViewSignals::Destroyed), this);
  GtkWidget* widget = GTK_WIDGET(m_pWebView);
  gtk_widget_set_size_request(widget, web::kViewPlace.width, web::kViewPlace.height);
  gtk_fixed_put(parent->ClientArea(), widget, web::kViewPlace.x, web::kViewPlace.y);
  gtk_widget_show(widget);

  OnInitialUpdate();
  return true;
}

void CBaseHtmlView::OnInitialUpdate() { Navigate(m_szUrl); }

void CBaseHtmlView::Navigate(const std::string& url) {
  if (m_pWebView) webkit_web_view_load_uri(m_pWebView, url.c_str());
}

void CBaseHtmlView::OnDocumentComplete() {
  if (m_pParentDlg) m_pParentDlg->BringToFront();
  DownloadEngine::GetInstance().ReportEvent("web_load");
}

WebKitWebView* CBaseHtmlView::OnNewWindow2() {
  if (!m_pPopupView) {
    m_pPopupView = std::make_unique<CBaseHtmlView>(m_values);
    m_pPopupView->CreatePopupWindow(m_pWebView);
  }
  return m_pPopupView->m_pWebView;
}

void CBaseHtmlView::CreatePopupWindow(WebKitWebView* relatedView) {
  m_bPopup = true;
  // Never shown and never put in a container: it only turns navigations into browser starts.
  m_pWebView = WEBKIT_WEB_VIEW(g_object_ref_sink(webkit_web_view_new_with_related_view(relatedView)));
  g_signal_connect(m_pWebView, "decide-policy", G_CALLBACK(HtmlViewSignals::DecidePolicy), this);
}

bool CBaseHtmlView::BeforeNavigate2(const std::string& url) {
  if (!m_bPopup) return true;
  if (web::OpensInBrowser(url)) {
    platform::StartDetached({"xdg-open", url});
  } else {
    LOG_MAIN("NewWindow url dropped, not http or https: ", url.substr(0, kLoggedUrlBytes));
  }
  return false;
}

void CBaseHtmlView::ForgetWidgets() {
  // The dialog's window is going and takes the main view with it; the hidden view goes too.
  m_pPopupView.reset();
  m_pWebView = nullptr;
}

bool CBaseHtmlView::AppLogin(const std::string& text) {
  // The message box runs a nested main loop in which the page goes on and may call again; a
  // second call must neither stack a second box nor start the game under the first one.
  if (m_bInAppLogin) return false;
  m_bInAppLogin = true;
  const bool answer = StartGame(text);
  m_bInAppLogin = false;
  return answer;
}

void CBaseHtmlView::TellNotReadyAndStartOver() {
  platform::ShowWarningBox("游戏正在下载", "来自网页的消息");
  Navigate(m_szUrl);
}

bool CBaseHtmlView::StartGame(const std::string& text) {
  const std::string clientPath = web::ClientPath(m_values.gameDir);
  if (!web::ClientPresent(g_bInstallFinished, clientPath)) {
    TellNotReadyAndStartOver();
    LOG_MAIN("wszExePath:", clientPath);
    LOG_MAIN("AppLogin file does not exist paht");
    return false;
  }

  LOG_MAIN("AppLogin Start Game");
  const std::int32_t dialogHandle = m_pParentDlg ? m_pParentDlg->WindowHandle() : 0;
  const web::ClientCommand command =
      web::FormatClientCommand(m_values.gameDir, text, m_values.winId, dialogHandle);
  if (!web::CommandLineFits(command)) {
    LOG_MAIN("AppLogin command line too long, client not started: ", command.commandLine.size(),
             " bytes");
    TellNotReadyAndStartOver();
    return false;
  }
  LOG_MAIN(command.commandLine);
  if (const int error = platform::StartProcess(command.program, command.arguments)) {
    LOG_MAIN("AppLogin client start failed, errno ", error);
  }
  DownloadEngine::GetInstance().ReportEvent("game_start");
  Navigate(m_szUrl);
  LOG_MAIN("AppLogin Start End");
  return m_pParentDlg && m_pParentDlg->DestroyWindow();
}
