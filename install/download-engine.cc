#include "install/download-engine.h"

#include <cstdio>
#include <ostream>

#include "platform/file-stream.h"
#include "platform/socket.h"
#include "res/strings.h"

namespace {

constexpr long kPackageBufferSize = 100 * 1024;

// Neither a configuration nor a package may make the shared handle read local files or speak
// any other protocol, not even through a redirect.
constexpr char kWebProtocols[] = "http,https";

// The configuration body with what has arrived of it so far.
struct ConfigurationBody {
  std::ostream* stream;
  std::size_t received = 0;
  bool overLimit = false;
};

std::size_t OnWriteConfiguration(char* data, std::size_t size, std::size_t count, void* target) {
  auto& body = *static_cast<ConfigurationBody*>(target);
  const std::size_t length = size * count;
  if (length > DownloadEngine::kConfigurationBodyLimit - body.received) {
    // Taking less than the block ends the transfer at once.
    body.overLimit = true;
    return 0;
  }
  body.received += length;
  return DownloadEngine::OnWriteStream(data, size, count, body.stream);
}

curl_socket_t OnOpenSocket(void*, curlsocktype, curl_sockaddr* address) {
  const platform::NativeSocket handle =
      platform::OpenSocketNotInherited(address->family, address->socktype, address->protocol);
  // curl's socket type is the system's own handle type, so the value passes through whole.
  return handle == platform::kNoSocket ? CURL_SOCKET_BAD : static_cast<curl_socket_t>(handle);
}

}  // namespace

DownloadEngine& DownloadEngine::GetInstance() {
  static DownloadEngine* const instance = new DownloadEngine();
  return *instance;
}

DownloadEngine::DownloadEngine() : m_curl(curl_easy_init()), m_strLogUrl(res::LoadString(res::IDS_STATS_URL)) {}

DownloadEngine::~DownloadEngine() {
  std::lock_guard<std::mutex> lock(m_sharedHandleLock);
  if (m_curl != nullptr) {
    curl_easy_cleanup(m_curl);
    m_curl = nullptr;
  }
}

void DownloadEngine::SetSharedTransferOptions() {
  curl_easy_setopt(m_curl, CURLOPT_PROTOCOLS_STR, kWebProtocols);
  curl_easy_setopt(m_curl, CURLOPT_REDIR_PROTOCOLS_STR, kWebProtocols);
  curl_easy_setopt(m_curl, CURLOPT_OPENSOCKETFUNCTION, &OnOpenSocket);
  curl_easy_setopt(m_curl, CURLOPT_LOW_SPEED_LIMIT, 1L);
  curl_easy_setopt(m_curl, CURLOPT_LOW_SPEED_TIME, m_stallSeconds);
}

CURLcode DownloadEngine::FetchConfiguration(const std::string& url, std::ostream& body) {
  std::lock_guard<std::mutex> lock(m_sharedHandleLock);
  if (m_curl == nullptr) return CURLE_FAILED_INIT;
  ConfigurationBody target{&body};
  curl_easy_setopt(m_curl, CURLOPT_URL, url.c_str());
  curl_easy_setopt(m_curl, CURLOPT_WRITEFUNCTION, &OnWriteConfiguration);
  curl_easy_setopt(m_curl, CURLOPT_WRITEDATA, &target);
  SetSharedTransferOptions();
  // An announced length over the limit is refused before any of the body is read.
  curl_easy_setopt(m_curl, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(kConfigurationBodyLimit));
  curl_easy_setopt(m_curl, CURLOPT_TIMEOUT, m_configTimeoutSeconds);
  const CURLcode code = curl_easy_perform(m_curl);
  return target.overLimit ? CURLE_FILESIZE_EXCEEDED : code;
}

CURLcode DownloadEngine::DownloadPackage(const std::string& url, const std::string& file) {
  std::lock_guard<std::mutex> lock(m_sharedHandleLock);
  if (m_curl == nullptr) return CURLE_FAILED_INIT;
  std::FILE* out = platform::OpenFileStreamForWriting(file);
  if (out == nullptr) return CURLE_WRITE_ERROR;

  curl_easy_setopt(m_curl, CURLOPT_URL, url.c_str());
  curl_easy_setopt(m_curl, CURLOPT_WRITEFUNCTION, &DownloadEngine::OnWriteFile);
  curl_easy_setopt(m_curl, CURLOPT_NOPROGRESS, 0L);
  // The integer progress callback: the double-based one is deprecated and gives the same figures.
  curl_easy_setopt(m_curl, CURLOPT_XFERINFOFUNCTION, &DownloadEngine::OnDownloadProgress);
  curl_easy_setopt(m_curl, CURLOPT_WRITEDATA, out);
  // Receive in blocks as large as the curl tool's: a package of a gigabyte otherwise costs six
  // times as many reads, writes and callbacks.
  curl_easy_setopt(m_curl, CURLOPT_BUFFERSIZE, kPackageBufferSize);
  SetSharedTransferOptions();
  // The handle keeps the configuration fetch's limits; a package has neither of them.
  curl_easy_setopt(m_curl, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(0));
  curl_easy_setopt(m_curl, CURLOPT_TIMEOUT, 0L);
  CURLcode code = curl_easy_perform(m_curl);

  // The last buffered block reaches the disk only here; losing it must not pass for success.
  if (std::fclose(out) != 0 && code == CURLE_OK) code = CURLE_WRITE_ERROR;
  return code;
}

std::size_t DownloadEngine::OnWriteStream(char* data, std::size_t size, std::size_t count, void* stream) {
  auto& out = *static_cast<std::ostream*>(stream);
  const std::size_t length = size * count;
  out.write(data, static_cast<std::streamsize>(length));
  out << '\n';
  out.flush();
  return length;
}

std::size_t DownloadEngine::OnWriteFile(char* data, std::size_t size, std::size_t count, void* file) {
  return std::fwrite(data, size, count, static_cast<std::FILE*>(file));
}

int DownloadEngine::OnDownloadProgress(void*, curl_off_t downloadTotal, curl_off_t downloadNow, curl_off_t,
                                       curl_off_t) {
  m_ultotal.store(static_cast<std::int32_t>(downloadTotal / 1000), std::memory_order_relaxed);
  m_ulnow.store(static_cast<std::int32_t>(downloadNow / 1000), std::memory_order_relaxed);
  return 0;
}
