#include "install/download-engine.h"

#include <gtest/gtest.h>

#include <fcntl.h>

#include <chrono>
#include <filesystem>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "support/files.h"
#include "support/loopback-server.h"
#include "support/sandbox.h"

namespace {

namespace fs = std::filesystem;
using testing_http::LoopbackServer;
using testing_support::ReadFile;

// Bytes that show any reordering or loss: every position holds a different pattern.
std::string Payload(std::size_t size) {
  std::string bytes(size, '\0');
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>((i * 131 + i / 251) & 0xFF);
  return bytes;
}

class PackageDownload : public ::testing::Test {
 protected:
  DownloadEngine& engine_ = DownloadEngine::GetInstance();
  testing_sandbox::Sandbox sandbox_;
  LoopbackServer server_;
  const std::string file_ = (sandbox_.work() / "game.7z").string();
};

TEST_F(PackageDownload, StreamsTheBodyIntoTheFileAndCountsThousands) {
  const std::string payload = Payload(100'000);
  server_.server().Get("/game.7z", [&](const httplib::Request&, httplib::Response& res) {
    res.set_content(payload, "application/x-7z-compressed");
  });
  fs::create_directories(sandbox_.work());
  testing_support::WriteFile(file_, "an older and longer package that must be replaced entirely" + Payload(200'000));

  EXPECT_EQ(engine_.DownloadPackage(server_.Url("/game.7z"), file_), CURLE_OK);
  EXPECT_TRUE(ReadFile(file_) == payload);
  EXPECT_EQ(DownloadEngine::m_ulnow, 100);
  EXPECT_EQ(DownloadEngine::m_ultotal, 100);
}

TEST_F(PackageDownload, CountersTruncateTowardZero) {
  const struct {
    std::size_t size;
    int thousands;
  } kCases[] = {{999, 0}, {1999, 1}, {2000, 2}};
  for (const auto& c : kCases) {
    const std::string path = "/p" + std::to_string(c.size);
    server_.server().Get(path, [&](const httplib::Request&, httplib::Response& res) {
      res.set_content(Payload(c.size), "application/octet-stream");
    });
    EXPECT_EQ(engine_.DownloadPackage(server_.Url(path), file_), CURLE_OK);
    EXPECT_EQ(fs::file_size(file_), c.size);
    EXPECT_EQ(DownloadEngine::m_ulnow, c.thousands) << c.size << " bytes";
    EXPECT_EQ(DownloadEngine::m_ultotal, c.thousands) << c.size << " bytes";
  }
}

TEST_F(PackageDownload, AnHttpErrorIsATransferLikeAnyOtherAndKeepsThePage) {
  const std::string page = "<html><body>404 no such package</body></html>";
  server_.server().Get("/missing.7z", [&](const httplib::Request&, httplib::Response& res) {
    res.status = 404;
    res.set_content(page, "text/html");
  });
  EXPECT_EQ(engine_.DownloadPackage(server_.Url("/missing.7z"), file_), CURLE_OK);
  EXPECT_EQ(ReadFile(file_), page);
}

TEST_F(PackageDownload, NoAnnouncedLengthKeepsTheTotalAtZero) {
  const std::string payload = Payload(50'000);
  server_.server().Get("/chunked", [&](const httplib::Request&, httplib::Response& res) {
    res.set_chunked_content_provider("application/octet-stream", [&](std::size_t offset, httplib::DataSink& sink) {
      if (offset < payload.size()) {
        sink.write(payload.data() + offset, std::min<std::size_t>(10'000, payload.size() - offset));
      } else {
        sink.done();
      }
      return true;
    });
  });
  EXPECT_EQ(engine_.DownloadPackage(server_.Url("/chunked"), file_), CURLE_OK);
  EXPECT_TRUE(ReadFile(file_) == payload);
  EXPECT_EQ(DownloadEngine::m_ultotal, 0);
  EXPECT_EQ(DownloadEngine::m_ulnow, 50);
}

TEST_F(PackageDownload, AShortWriteStopsTheTransferWithWriteError) {
  server_.server().Get("/big", [&](const httplib::Request&, httplib::Response& res) {
    res.set_content(Payload(1 << 20), "application/octet-stream");
  });
  // The disk that is always full: the first buffered block that reaches it comes back short.
  EXPECT_EQ(engine_.DownloadPackage(server_.Url("/big"), "/dev/full"), CURLE_WRITE_ERROR);
}

TEST_F(PackageDownload, ALastBlockLostOnCloseIsNoSuccess) {
  server_.server().Get("/small", [&](const httplib::Request&, httplib::Response& res) {
    res.set_content("tiny", "application/octet-stream");
  });
  // Four bytes stay in the stream's buffer until the file is closed, and only then fail.
  EXPECT_EQ(engine_.DownloadPackage(server_.Url("/small"), "/dev/full"), CURLE_WRITE_ERROR);
}

TEST_F(PackageDownload, AFileThatCannotBeCreatedFailsBeforeAnyRequest) {
  int requests = 0;
  server_.server().Get("/p", [&](const httplib::Request&, httplib::Response& res) {
    ++requests;
    res.set_content("x", "text/plain");
  });
  EXPECT_EQ(engine_.DownloadPackage(server_.Url("/p"), (sandbox_.work() / "no-such-dir" / "p.7z").string()),
            CURLE_WRITE_ERROR);
  EXPECT_EQ(requests, 0);
}

TEST_F(PackageDownload, NoSharedHandleGivesFailedInitAndNoFile) {
  CURL* const handle = engine_.m_curl;
  engine_.m_curl = nullptr;
  const CURLcode code = engine_.DownloadPackage(server_.Url("/p"), file_);
  std::ostringstream body;
  const CURLcode fetchCode = engine_.FetchConfiguration(server_.Url("/p"), body);
  engine_.m_curl = handle;
  EXPECT_EQ(code, CURLE_FAILED_INIT);
  EXPECT_EQ(fetchCode, CURLE_FAILED_INIT);
  EXPECT_FALSE(fs::exists(file_));
}

TEST_F(PackageDownload, AServerThatStopsSendingIsGivenUp) {
  server_.server().Get("/stall", [&](const httplib::Request& req, httplib::Response& res) {
    const bool sendSome = req.has_param("some");
    res.set_content_provider(1'000'000, "application/octet-stream",
                             [&, sendSome](std::size_t offset, std::size_t, httplib::DataSink& sink) {
                               if (sendSome && offset == 0) sink.write("7z\xBC\xAF", 4);
                               server_.WaitForRelease();
                               return false;
                             });
  });
  engine_.m_stallSeconds = 1;
  const CURLcode afterHeaders = engine_.DownloadPackage(server_.Url("/stall"), file_);
  const CURLcode afterSomeBytes = engine_.DownloadPackage(server_.Url("/stall?some=1"), file_);
  engine_.m_stallSeconds = 60;
  EXPECT_EQ(afterHeaders, CURLE_OPERATION_TIMEDOUT);
  EXPECT_EQ(afterSomeBytes, CURLE_OPERATION_TIMEDOUT);
  EXPECT_EQ(fs::file_size(file_), 4u) << "what arrived stays on disk";
}

// The configuration fetch and then the package download run on the same handle: the download
// must replace the fetch's write target and drop its limits of size and time, and the fetch
// leaves a line end after every block.
TEST_F(PackageDownload, TheSharedHandleServesTheFetchAndThenTheDownload) {
  server_.server().Get("/cfg", [](const httplib::Request&, httplib::Response& res) {
    res.set_content(R"({"path":"g"})", "application/json");
  });
  // Larger than a configuration may be, and longer in coming than the fetch may take.
  const std::string payload = Payload(2 * DownloadEngine::kConfigurationBodyLimit);
  server_.server().Get("/pkg", [&](const httplib::Request&, httplib::Response& res) {
    res.set_content_provider(payload.size(), "application/octet-stream",
                             [&](std::size_t offset, std::size_t, httplib::DataSink& sink) {
                               std::this_thread::sleep_for(std::chrono::milliseconds(500));
                               const std::size_t quarter = payload.size() / 4;
                               return sink.write(payload.data() + offset, std::min(quarter, payload.size() - offset));
                             });
  });
  engine_.m_configTimeoutSeconds = 1;
  std::stringstream body;
  const CURLcode fetched = engine_.FetchConfiguration(server_.Url("/cfg"), body);
  const CURLcode downloaded = engine_.DownloadPackage(server_.Url("/pkg"), file_);
  engine_.m_configTimeoutSeconds = 30;
  EXPECT_EQ(fetched, CURLE_OK);
  EXPECT_EQ(downloaded, CURLE_OK);
  EXPECT_EQ(body.str(), "{\"path\":\"g\"}\n");
  EXPECT_TRUE(ReadFile(file_) == payload);
}

// Neither transfer may read a local file, whatever URL the configuration gives.
TEST_F(PackageDownload, OnlyTheWebsProtocolsAreSpoken) {
  const std::string secret = (sandbox_.root() / "secret").string();
  testing_support::WriteFile(secret, "not for the network");
  const std::string url = "file://" + secret;
  std::stringstream body;
  EXPECT_EQ(engine_.FetchConfiguration(url, body), CURLE_UNSUPPORTED_PROTOCOL);
  EXPECT_EQ(engine_.DownloadPackage(url, file_), CURLE_UNSUPPORTED_PROTOCOL);
  EXPECT_EQ(body.str(), "");
  EXPECT_EQ(ReadFile(file_), "");
}

// A link planted at the package's place must not make the download write through it.
TEST_F(PackageDownload, ALinkAtThePackageFileIsNotFollowed) {
  int requests = 0;
  server_.server().Get("/p", [&](const httplib::Request&, httplib::Response& res) {
    ++requests;
    res.set_content("package bytes", "application/octet-stream");
  });
  const fs::path target = sandbox_.root() / "uninst";
  testing_support::WriteFile(target.string(), "the uninstaller");
  fs::create_directories(sandbox_.work());
  fs::create_symlink(target, file_);
  EXPECT_EQ(engine_.DownloadPackage(server_.Url("/p"), file_), CURLE_WRITE_ERROR);
  EXPECT_EQ(ReadFile(target.string()), "the uninstaller");
  EXPECT_EQ(requests, 0);
}

// The game client and every other program the launcher starts must not inherit a connection of
// the shared handle: look at the client's socket from the server's side while it is open.
TEST_F(PackageDownload, TheSharedHandlesSocketsAreNotInherited) {
  std::vector<bool> closeOnExec;
  server_.server().Get("/p", [&](const httplib::Request& req, httplib::Response& res) {
    for (const auto& entry : fs::directory_iterator("/proc/self/fd")) {
      const int fd = std::stoi(entry.path().filename().string());
      sockaddr_in local{};
      socklen_t size = sizeof local;
      if (getsockname(fd, reinterpret_cast<sockaddr*>(&local), &size) == 0 && local.sin_family == AF_INET &&
          ntohs(local.sin_port) == req.remote_port) {
        closeOnExec.push_back((fcntl(fd, F_GETFD) & FD_CLOEXEC) != 0);
      }
    }
    res.set_content("{}", "application/json");
  });
  std::stringstream body;
  EXPECT_EQ(engine_.FetchConfiguration(server_.Url("/p"), body), CURLE_OK);
  EXPECT_EQ(engine_.DownloadPackage(server_.Url("/p"), file_), CURLE_OK);
  EXPECT_EQ(closeOnExec, (std::vector<bool>{true, true}));
}

TEST(WriteStream, PutsALineEndAfterEveryBlock) {
  std::stringstream stream;
  char data[] = "{}\"a";
  EXPECT_EQ(DownloadEngine::OnWriteStream(data, 1, 2, &stream), 2u);
  EXPECT_EQ(DownloadEngine::OnWriteStream(data + 2, 2, 1, &stream), 2u);
  EXPECT_EQ(DownloadEngine::OnWriteStream(data, 1, 2, &stream), 2u);
  EXPECT_EQ(stream.str(), "{}\n\"a\n{}\n");
}

}  // namespace
