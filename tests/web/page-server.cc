#include "page-server.h"

#include <httplib.h>

#include <chrono>

#include <nlohmann/json.hpp>

namespace {

constexpr char kHead[] = "<!doctype html><html><head><meta charset=\"utf-8\"></head><body>";

constexpr char kFramesPage[] =
    "<p>top</p><iframe src=\"/frame/a\"></iframe><iframe src=\"/frame/b\"></iframe>";
constexpr char kFrameB[] = "<p>b</p><iframe src=\"/frame/a\"></iframe>";

// Two links with targets of their own side by side, each covering half of the page, so that a
// real click anywhere on either half follows it.
constexpr char kLinksPage[] =
    "<style>a{position:fixed;top:0;height:100%;width:50%;display:block}</style>"
    "<a href=\"http://outside.invalid/one?a=1&b=2\" target=\"_blank\" style=\"left:0\">one</a>"
    "<a href=\"http://outside.invalid/two\" target=\"other\" style=\"right:0\">two</a>";

constexpr char kProbeFrame[] =
    "<script>navigator.sendBeacon('/answer?kind=frame&v=' + typeof window.external.AppLogin);</script>";

std::string AppLoginPage(const std::string& text, int calls) {
  return "<iframe src=\"/frame/probe\"></iframe><script>"
         "window.addEventListener('load', () => {"
         "  const e = window.external;"
         "  navigator.sendBeacon('/answer?kind=typeof&v=' + [typeof e.AppLogin, typeof e.AddSearchProvider,"
         "                                    typeof e.toString].join(','));"
         "  for (let i = 0; i < " + std::to_string(calls) + "; ++i) {"
         "    e.AppLogin(" + nlohmann::json(text).dump() + ").then("
         "        r => navigator.sendBeacon('/answer?kind=result&v=' + typeof r + ':' + r),"
         "        error => navigator.sendBeacon('/answer?kind=result&v=error'));"
         "  }"
         "});</script>";
}

// Opens each URL as a new window, a moment apart, and says when it is through.
std::string PopupsPage(const std::vector<std::string>& urls) {
  return "<script>const urls = " + nlohmann::json(urls).dump() + ";"
         "let next = 0;"
         "const openNext = () => {"
         "  if (next === urls.length) { navigator.sendBeacon('/answer?kind=popups&v=done'); return; }"
         "  try { window.open(urls[next++]); } catch (error) {}"
         "  setTimeout(openNext, 200);"
         "};"
         "window.addEventListener('load', () => setTimeout(openNext, 100));</script>";
}

// Everything a page script could try to pass itself off as a finished document with, before and
// after its real load.
constexpr char kFakeCompletePage[] =
    "<p>fake</p><script>"
    "const fake = (when) => {"
    "  let posted = 0;"
    "  for (let i = 0; i < 50; ++i) {"
    "    try { window.webkit.messageHandlers.cvlDocumentComplete.postMessage(''); ++posted; } catch (e) {}"
    "    window.dispatchEvent(new Event('load'));"
    "    document.dispatchEvent(new Event('DOMContentLoaded'));"
    "  }"
    "  navigator.sendBeacon('/answer?kind=fake&v=' + when + ':' + posted);"
    "};"
    "fake('before');"
    "window.addEventListener('load', (event) => { if (event.isTrusted) setTimeout(() => fake('after'), 0); });"
    "</script>";

}  // namespace

PageServer::PageServer() : server_(std::make_unique<httplib::Server>()) {
  auto page = [this](const httplib::Request& request, httplib::Response& response,
                     const std::string& body) {
    {
      std::lock_guard<std::mutex> guard(lock_);
      Request seen{request.path, {}};
      for (const auto& [name, value] : request.params) seen.params[name] = value;
      requests_.push_back(seen);
    }
    response.set_content(kHead + body + "</body></html>", "text/html; charset=utf-8");
  };
  auto fixed = [page](const char* body) {
    return [page, body](const httplib::Request& request, httplib::Response& response) {
      page(request, response, body);
    };
  };
  server_->Get("/page/plain", fixed("<p>plain</p>"));
  server_->Get("/page/frames", fixed(kFramesPage));
  server_->Get("/frame/a", fixed("<p>a</p>"));
  server_->Get("/frame/b", fixed(kFrameB));
  server_->Get("/frame/probe", fixed(kProbeFrame));
  server_->Get("/page/links", fixed(kLinksPage));
  server_->Get("/page/applogin", [this, page](const httplib::Request& request,
                                              httplib::Response& response) {
    std::string text;
    int calls = 1;
    bool first = false;
    {
      std::lock_guard<std::mutex> guard(lock_);
      first = RequestsLocked("/page/applogin").empty();
      text = loginText_;
      calls = loginCalls_;
    }
    page(request, response, first ? AppLoginPage(text, calls) : "<p>start over</p>");
  });
  server_->Get("/page/popups", [this, page](const httplib::Request& request,
                                            httplib::Response& response) {
    std::vector<std::string> urls;
    {
      std::lock_guard<std::mutex> guard(lock_);
      urls = popupUrls_;
    }
    page(request, response, PopupsPage(urls));
  });
  server_->Get("/page/fake-complete", fixed(kFakeCompletePage));
  auto answer = [this](const httplib::Request& request, httplib::Response& response) {
    std::lock_guard<std::mutex> guard(lock_);
    answers_.emplace_back(request.get_param_value("kind"), request.get_param_value("v"));
    response.set_content("", "text/plain");
  };
  server_->Get("/answer", answer);
  // The answer to AppLogin comes as a beacon: the launcher starts the page over right after it,
  // and a beacon is the request that survives the page's end.
  server_->Post("/answer", answer);
  server_->Post("/log/log", [this](const httplib::Request& request, httplib::Response& response) {
    while (statisticsSilent_) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    std::lock_guard<std::mutex> guard(lock_);
    events_.push_back(request.get_param_value("type"));
    response.set_content("", "text/plain");
  });
  // Stopping waits for idle kept-alive connections; a short wait keeps each test program quick.
  server_->set_keep_alive_timeout(1);
  port_ = server_->bind_to_any_port("127.0.0.1");
  thread_ = std::thread([this] { server_->listen_after_bind(); });
  while (!server_->is_running()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

PageServer::~PageServer() {
  statisticsSilent_ = false;
  server_->stop();
  thread_.join();
}

std::string PageServer::Url(const std::string& path) const {
  return "http://127.0.0.1:" + std::to_string(port_) + path;
}

std::string PageServer::LoginUrl(const std::string& page) const {
  return Url("/page/" + page);
}

void PageServer::SetLoginText(const std::string& text, int calls) {
  std::lock_guard<std::mutex> guard(lock_);
  loginText_ = text;
  loginCalls_ = calls;
}

void PageServer::SetPopupUrls(const std::vector<std::string>& urls) {
  std::lock_guard<std::mutex> guard(lock_);
  popupUrls_ = urls;
}

void PageServer::SetStatisticsSilent(bool silent) { statisticsSilent_ = silent; }

void PageServer::Reset() {
  std::lock_guard<std::mutex> guard(lock_);
  loginText_.clear();
  loginCalls_ = 1;
  popupUrls_.clear();
  statisticsSilent_ = false;
  requests_.clear();
  answers_.clear();
  events_.clear();
}

std::vector<PageServer::Request> PageServer::Requests(const std::string& path) const {
  std::lock_guard<std::mutex> guard(lock_);
  return RequestsLocked(path);
}

std::vector<PageServer::Request> PageServer::RequestsLocked(const std::string& path) const {
  std::vector<Request> found;
  for (const Request& request : requests_) {
    if (request.path == path) found.push_back(request);
  }
  return found;
}

std::vector<std::string> PageServer::Answers(const std::string& kind) const {
  std::lock_guard<std::mutex> guard(lock_);
  std::vector<std::string> found;
  for (const auto& [k, v] : answers_) {
    if (k == kind) found.push_back(v);
  }
  return found;
}

std::vector<std::string> PageServer::Events() const {
  std::lock_guard<std::mutex> guard(lock_);
  return events_;
}
