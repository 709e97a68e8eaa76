// The telemetry request. Each report has a handle of its own and leaves through the report queue,
// so the caller never waits for it, beside a package download on the shared handle.
#include <curl/curl.h>

#include "install/download-engine.h"
#include "platform/descriptors.h"
#include "telemetry/device-identity.h"
#include "telemetry/report-body.h"
#include "telemetry/report-queue.h"

namespace {

// The statistics server's answer is of no use to the launcher, and printing it would put it on a
// standard output that may be a pipe nobody reads.
std::size_t DiscardAnswer(char*, std::size_t size, std::size_t count, void*) { return size * count; }

int KeepSocketFromChildren(void*, curl_socket_t socket, curlsocktype) {
  platform::SetCloseOnExec(socket);
  return CURL_SOCKOPT_OK;
}

void SendReport(const std::string& url, const std::string& type) {
  CURL* curl = curl_easy_init();
  const std::string os = telemetry::OsName();
  const std::string mac = telemetry::MacAddress();
  const std::string id = telemetry::NewUniqueId();
  const std::string body = telemetry::ReportBody(type, os, mac, id);

  curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
  curl_easy_setopt(curl, CURLOPT_POST, 1L);
  curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE, static_cast<long>(body.size()));
  curl_easy_setopt(curl, CURLOPT_POSTFIELDS, body.c_str());
  curl_easy_setopt(curl, CURLOPT_READFUNCTION, nullptr);
  curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, static_cast<long>(telemetry::kReportConnectTimeout.count()));
  curl_easy_setopt(curl, CURLOPT_TIMEOUT, static_cast<long>(telemetry::kReportTimeout.count()));
  curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, DiscardAnswer);
  curl_easy_setopt(curl, CURLOPT_SOCKOPTFUNCTION, KeepSocketFromChildren);
  curl_easy_perform(curl);
  curl_easy_cleanup(curl);
}

}  // namespace

void DownloadEngine::ReportEvent(std::string type) {
  telemetry::PostReport([url = m_strLogUrl, type = std::move(type)] { SendReport(url, type); });
}
