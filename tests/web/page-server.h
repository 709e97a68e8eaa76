#pragma once
// The pages the view is tested with, served on 127.0.0.1 from a port of the system's choosing,
// and the statistics endpoint, which keeps the events it was sent.
#include <atomic>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace httplib {
class Server;
}

class PageServer {
 public:
  PageServer();
  ~PageServer();

  std::string Url(const std::string& path) const;
  // The login address of a test page. Unlike the platform's it has no query of its own: this
  // server answers 400 to a request target with a second '?', which the start URL would add.
  std::string LoginUrl(const std::string& page) const;

  // The text the "applogin" page hands to AppLogin on its first load (later loads only show),
  // in `calls` calls one right after the other.
  void SetLoginText(const std::string& text, int calls = 1);
  // The URLs the "popups" page opens as new windows, one after the other.
  void SetPopupUrls(const std::vector<std::string>& urls);
  // A silent statistics endpoint takes each report and never answers until it speaks again.
  void SetStatisticsSilent(bool silent);
  void Reset();

  struct Request {
    std::string path;
    std::map<std::string, std::string> params;
  };
  std::vector<Request> Requests(const std::string& path) const;
  // What the pages reported through /answer?kind=...&v=..., in order.
  std::vector<std::string> Answers(const std::string& kind) const;
  std::vector<std::string> Events() const;

 private:
  std::vector<Request> RequestsLocked(const std::string& path) const;

  std::unique_ptr<httplib::Server> server_;
  std::thread thread_;
  int port_ = 0;

  mutable std::mutex lock_;
  std::string loginText_;
  int loginCalls_ = 1;
  std::vector<std::string> popupUrls_;
  std::atomic<bool> statisticsSilent_{false};
  std::vector<Request> requests_;
  std::vector<std::pair<std::string, std::string>> answers_;
  std::vector<std::string> events_;
};
