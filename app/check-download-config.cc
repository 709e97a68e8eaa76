// Fetches the download configuration before anything is shown. Without it the launcher cannot
// know what to install or where, so any failure ends the process with exit code 1.
#include <curl/curl.h>

#include <algorithm>
#include <cctype>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>

#include "app/krn-launch.h"
#include "install/download-engine.h"
#include "res/strings.h"
#include "util/cvlog/main-logger.h"

namespace {

[[noreturn]] void FailConfigCheck(const std::string& description) {
  LOG_MAIN("cfg check err:", description);
  cvlog::ExitProcessFlushed(1);
}

// The package is kept under this name in the data folder, so it must name a file there and
// nothing beside or above it (the uninstaller, the launcher, other folders).
bool IsPlainFileName(const std::string& name) {
  return !name.empty() && name != "." && name != ".." && name.find_first_of("/\\") == std::string::npos;
}

// A URL that names a scheme must name one of the web's. One without a scheme is left to the
// transfer, which accepts nothing but http and https either.
bool NamesOnlyAWebScheme(const std::string& url) {
  const auto isSchemeCharacter = [](char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '+' || c == '-' || c == '.';
  };
  const auto end = std::find_if_not(url.begin(), url.end(), isSchemeCharacter);
  if (end == url.begin() || end == url.end() || *end != ':' ||
      !std::isalpha(static_cast<unsigned char>(url.front()))) {
    return true;
  }
  std::string scheme(url.begin(), end);
  std::transform(scheme.begin(), scheme.end(), scheme.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return scheme == "http" || scheme == "https";
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
    const std::string packageName = document.at("packageName").get<std::string>();
    if (!NamesOnlyAWebScheme(m_strPackageUrl)) FailConfigCheck("gamePath is not an http or https URL");
    if (!IsPlainFileName(packageName)) FailConfigCheck("packageName is not a plain file name");
    m_strPackageFile = "./cvl/" + packageName;
  } catch (const nlohmann::json::exception& e) {
    FailConfigCheck(e.what());
  }

  LOG_MAIN("check path:", m_strGameDir);
  LOG_MAIN("check gamePath:", m_strPackageUrl);
  LOG_MAIN("check packageName:", m_strPackageFile);
  LOG_MAIN("cfg check end");
}
