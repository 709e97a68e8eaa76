#include <winsock2.h>
#include <windows.h>
#include <oleauto.h>
#include <propidl.h>

#include <curl/curl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <thread>
#include <vector>

namespace {

// The plug-in's exports as the archive layer calls them: __stdcall on 32-bit Windows.
using GetNumberOfFormatsFn = HRESULT(WINAPI*)(UINT32*);
using GetHandlerProperty2Fn = HRESULT(WINAPI*)(UINT32, PROPID, PROPVARIANT*);
constexpr PROPID kHandlerName = 0;

std::wstring Widen(const char* s) {
  const int n = MultiByteToWideChar(CP_UTF8, 0, s, -1, nullptr, 0);
  std::wstring w(n > 0 ? n - 1 : 0, L'\0');
  if (n > 1) MultiByteToWideChar(CP_UTF8, 0, s, -1, w.data(), n);
  return w;
}

template <typename Fn>
Fn Export(HMODULE dll, const char* name) {
  // FARPROC has no parameters; going through void* says the real type is known.
  return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(dll, name)));
}

TEST(SevenZipDll, ListsItsFormatsThroughTheStdcallExports) {
  HMODULE dll = LoadLibraryW(Widen(CVL_TEST_PLUGIN).c_str());
  ASSERT_NE(dll, nullptr) << CVL_TEST_PLUGIN << ": error " << GetLastError();
  ASSERT_NE(GetProcAddress(dll, "CreateObject"), nullptr);
  auto count = Export<GetNumberOfFormatsFn>(dll, "GetNumberOfFormats");
  auto property = Export<GetHandlerProperty2Fn>(dll, "GetHandlerProperty2");
  ASSERT_NE(count, nullptr);
  ASSERT_NE(property, nullptr);

  UINT32 formats = 0;
  ASSERT_EQ(count(&formats), S_OK);
  EXPECT_GT(formats, 20u);  // the full-format build, not the 7z-only one
  std::vector<std::wstring> names;
  for (UINT32 i = 0; i < formats; ++i) {
    PROPVARIANT value;
    PropVariantInit(&value);
    ASSERT_EQ(property(i, kHandlerName, &value), S_OK) << i;
    ASSERT_EQ(value.vt, VT_BSTR) << i;
    names.emplace_back(value.bstrVal, SysStringLen(value.bstrVal));
    PropVariantClear(&value);
  }
  for (const wchar_t* expected : {L"7z", L"zip", L"xz", L"tar"}) {
    EXPECT_NE(std::find(names.begin(), names.end(), expected), names.end()) << "no format " << expected;
  }
  FreeLibrary(dll);
}

TEST(Curl, IsBuiltWithSchannelForHttpAndHttps) {
  const curl_version_info_data* info = curl_version_info(CURLVERSION_NOW);
  EXPECT_EQ(std::string(info->version), "7.88.1");
  ASSERT_NE(info->ssl_version, nullptr);
  EXPECT_NE(std::string(info->ssl_version).find("Schannel"), std::string::npos) << info->ssl_version;
  std::vector<std::string> protocols;
  for (const char* const* p = info->protocols; *p; ++p) protocols.emplace_back(*p);
  EXPECT_NE(std::find(protocols.begin(), protocols.end(), "http"), protocols.end());
  EXPECT_NE(std::find(protocols.begin(), protocols.end(), "https"), protocols.end());
}

size_t Collect(char* data, size_t size, size_t n, void* out) {
  static_cast<std::string*>(out)->append(data, size * n);
  return size * n;
}

// One answer from a listening socket on 127.0.0.1, served from a second thread.
TEST(Curl, FetchesFromALoopbackServerOnAnotherThread) {
  WSADATA wsa;
  ASSERT_EQ(WSAStartup(MAKEWORD(2, 2), &wsa), 0);
  SOCKET listener = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  ASSERT_NE(listener, INVALID_SOCKET);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
  ASSERT_EQ(listen(listener, 1), 0);
  int len = sizeof addr;
  ASSERT_EQ(getsockname(listener, reinterpret_cast<sockaddr*>(&addr), &len), 0);

  std::string request;
  std::thread server([&] {
    SOCKET client = accept(listener, nullptr, nullptr);
    if (client == INVALID_SOCKET) return;
    char buf[1024];
    while (request.find("\r\n\r\n") == std::string::npos) {
      const int got = recv(client, buf, sizeof buf, 0);
      if (got <= 0) break;
      request.append(buf, got);
    }
    const std::string answer = "HTTP/1.1 200 OK\r\nContent-Length: 5\r\nConnection: close\r\n\r\nhello";
    send(client, answer.data(), static_cast<int>(answer.size()), 0);
    closesocket(client);
  });

  CURL* curl = curl_easy_init();
  ASSERT_NE(curl, nullptr);
  std::string body;
  const std::string url = "http://127.0.0.1:" + std::to_string(ntohs(addr.sin_port)) + "/probe";
  curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
  curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, Collect);
  curl_easy_setopt(curl, CURLOPT_WRITEDATA, &body);
  curl_easy_setopt(curl, CURLOPT_TIMEOUT, 30L);
  const CURLcode rc = curl_easy_perform(curl);
  long status = 0;
  curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
  curl_easy_cleanup(curl);
  closesocket(listener);
  server.join();
  WSACleanup();

  EXPECT_EQ(rc, CURLE_OK) << curl_easy_strerror(rc);
  EXPECT_EQ(status, 200);
  EXPECT_EQ(body, "hello");
  EXPECT_EQ(request.rfind("GET /probe HTTP/1.1\r\n", 0), 0u) << request;
}

}  // namespace
