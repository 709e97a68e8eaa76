// The telemetry request. Each report has a handle of its own, so it may run on any thread, beside a
// package download on the shared handle.
#include <curl/curl.h>

#include "install/download-engine.h"
#include "telemetry/device-identity.h"
#include "telemetry/report-body.h"

namespace {

// Telemetry must never hold up the launcher: an endpoint that does not answer costs a few
// seconds, not libcurl's default connect time-out of minutes.
constexpr long kReportConnectTimeoutSeconds = 3;
constexpr long kReportTimeoutSeconds = 5;

}  // namespace

void DownloadEngine::ReportEvent(std::string type) {
  CURL* curl = curl_easy_init();
  const std::string os = telemetry::OsName();
  const std::string mac = telemetry::MacAddress();
  const std::string id = telemetry::NewUniqueId();
  const std::string body = telemetry::ReportBody(type, os, mac, id);

  curl_easy_setopt(curl, CURLOPT_URL, m_strLogUrl.c_str());
  curl_easy_setopt(curl, CURLOPT_POST, 1L);
  curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE, static_cast<long>(body.size()));
  curl_easy_setopt(curl, CURLOPT_POSTFIELDS, body.c_str());
  curl_easy_setopt(curl, CURLOPT_READFUNCTION, nullptr);
  curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, kReportConnectTimeoutSeconds);
  curl_easy_setopt(curl, CURLOPT_TIMEOUT, kReportTimeoutSeconds);
  curl_easy_perform(curl);
  curl_easy_cleanup(curl);
}
