#pragma once
// The process-wide owner of the shared transfer handle, the statistics endpoint and the download
// counters. Every request of the launcher is made here, with its options in one place: the
// configuration fetch and the package download on the shared handle (one after the other, first on
// the main thread, then on the install worker), and each telemetry report on a handle of its own.
#include <curl/curl.h>

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <iosfwd>
#include <mutex>
#include <string>

class DownloadEngine {
 public:
  // Created on first use and never destroyed: the install worker may still be downloading on the
  // shared handle when the main thread leaves, and the handle must outlive that transfer.
  static DownloadEngine& GetInstance();

  DownloadEngine(const DownloadEngine&) = delete;
  DownloadEngine& operator=(const DownloadEngine&) = delete;
  virtual ~DownloadEngine();

  // GET `url` on the shared handle; each received block goes to `body` followed by a line end.
  // HTTP error statuses are no failure: their body is the result. A body of more than
  // kConfigurationBodyLimit bytes is cut off with CURLE_FILESIZE_EXCEEDED, and the whole fetch
  // ends with CURLE_OPERATION_TIMEDOUT after m_configTimeoutSeconds.
  CURLcode FetchConfiguration(const std::string& url, std::ostream& body);

  // GET `url` on the shared handle straight into `file` (created, or emptied when it exists),
  // updating m_ulnow and m_ultotal. Without a shared handle the result is CURLE_FAILED_INIT and no
  // file is made; a file that cannot be created or fully written, or a symbolic link at `file`,
  // gives CURLE_WRITE_ERROR.
  CURLcode DownloadPackage(const std::string& url, const std::string& file);

  // Queues one signed report of `type` for the statistics endpoint and returns at once; the
  // reports are posted one after another in the order they were made (telemetry/report-queue.h),
  // and nothing about the outcome reaches the caller.
  void ReportEvent(std::string type);

  // libcurl callbacks: a text stream target, a C file target, and the download counters.
  static std::size_t OnWriteStream(char* data, std::size_t size, std::size_t count, void* stream);
  static std::size_t OnWriteFile(char* data, std::size_t size, std::size_t count, void* file);
  static int OnDownloadProgress(void* unused, curl_off_t downloadTotal, curl_off_t downloadNow,
                                curl_off_t uploadTotal, curl_off_t uploadNow);

  CURL* m_curl = nullptr;  // the shared handle; null when libcurl could not make one
  std::string m_strLogUrl;

  // Package progress in units of 1000 bytes, written by the worker's transfer and read by the
  // progress monitor. m_ultotal stays 0 while the server announces no length.
  static inline std::atomic<std::int32_t> m_ulnow{0};
  static inline std::atomic<std::int32_t> m_ultotal{0};

  // A shared-handle transfer that moves less than one byte per second for this many seconds is
  // abandoned as failed, so a server that stops sending cannot hang start-up or the install.
  long m_stallSeconds = 60;

  // The configuration is small and start-up shows nothing while it comes: a server that sends it
  // slowly, or sends far too much, must not hold start-up or fill the memory.
  static constexpr std::size_t kConfigurationBodyLimit = 1 << 20;
  long m_configTimeoutSeconds = 30;

 private:
  DownloadEngine();

  // The options both shared-handle transfers set: web protocols only, sockets that no child
  // process inherits, the stall limit.
  void SetSharedTransferOptions();

  std::mutex m_sharedHandleLock;  // held for the whole of each shared-handle transfer
};
