#pragma once
// The demo server's record: one JSON object per line, appended and flushed as things happen, so
// that scripts and tests can read it while the server runs. Every line has "kind" and "t_ms"
// (milliseconds since the server started); the kinds:
//   "request"      a request outside the demo's own control paths: method, target (as the
//                  client sent it), status, host ("game" or "login": the port it came to)
//   "event"        a statistics report: seq, type, signature_valid, well_formed, problem, udid,
//                  sign, os_name, mac_addr, body
//   "download"     a package transfer that ended: target, bytes (sent), size, complete, ms
//   "login_answer" what the page's AppLogin call answered: user, answer
//   "page_load"    the login page's load event fired in some browser: host, page (its address)
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <nlohmann/json.hpp>
#include <ostream>
#include <string>
#include <string_view>

#include "tools/demo/report-check.h"

namespace demo {

class Record {
 public:
  // Opens `path` for appending; throws std::runtime_error when it cannot.
  explicit Record(const std::filesystem::path& path);
  Record(const Record&) = delete;
  Record& operator=(const Record&) = delete;

  void Request(std::string_view method, std::string_view target, int status,
               std::string_view host);
  // Returns the event's sequence number, 1 for the first.
  int Event(const ReportCheck& report, std::string_view body);
  void Download(std::string_view target, std::uint64_t bytes, std::uint64_t size, bool complete,
                double ms);
  void LoginAnswer(std::string_view user, std::string_view answer);
  void PageLoad(std::string_view host, std::string_view page);

 private:
  void Append(const nlohmann::ordered_json& line);

  const std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
  std::mutex mutex_;
  std::ofstream file_;
  int events_ = 0;
};

// Prints what a record holds in the demo's summary form: the events in order with their
// signature verdict, then each package transfer with its size and speed. Returns false when the
// record cannot be read; lines that are not JSON are counted and reported, not fatal.
bool Summarize(const std::filesystem::path& path, std::ostream& out);

}  // namespace demo
