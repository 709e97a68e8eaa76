// Fetches the download configuration before anything is shown. Without it the launcher cannot
// know what to install or where, so any failure ends the process with exit code 1.
#include <curl/curl.h>

#include <algorithm>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>

#include "app/KRNLaunch.h"
#include "install/download-engine.h"
#include "res/strings.h"
#include "util/cvlog/main-logger.h"

namespace {

[[noreturn]] void FailConfigCheck(const std::string& description) {
  LOG_MAIN("cfg check err:", description);
  cvlog::ExitProcessFlushed(1);
}

}  // namespace

void CKRNLaunchApp::CheckDownloadConfig() {
  LOG_MAIN("cfg check start");
  const std::string url = res::LoadString(res::IDS_CONFIG_URL);
  std::stringstream stream;
  const CURLcode code = DownloadEngine::GetInstance().FetchConfiguration(url, stream);
  if (code != CURLE_OK) FailConfigCheck(curl_easy_strerror(code));

  // The stream holds a line end after every received block, and a block may end inside a string
  // or a number. A raw line end is never part of a JSON token, only white space between tokens,
  // so taking them all out gives back the document whatever its blocks were.
  std::string body = stream.str();
  body.erase(std::remove(body.begin(), body.end(), '\n'), body.end());
  try {
    const nlohmann::json document = nlohmann::json::parse(body);
    m_strGameDir = document.at("path").get<std::string>();
    m_strPackageUrl = document.at("gamePath").get<std::string>();
    m_strPackageFile = "./cvl/" + document.at("packageName").get<std::string>();
  } catch (const nlohmann::json::exception& e) {
    FailConfigCheck(e.what());
  }

  LOG_MAIN("check path:", m_strGameDir);
  LOG_MAIN("check gamePath:", m_strPackageUrl);
  LOG_MAIN("check packageName:", m_strPackageFile);
  LOG_MAIN("cfg check end");
}
