// What the Windows backend must do that the system does not do by itself: share files as POSIX
// programs expect, replace read-only files, keep to the registry's 32-bit view, lock for one
// process, start the shell on a script whose path holds the shell's special characters, keep
// non-ASCII names intact, and reach other windows and the shell the way the launcher does.
#include <winsock2.h>
#include <windows.h>
#include <iphlpapi.h>
#include <objbase.h>
#include <shobjidl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <mutex>
#include <optional>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "platform/append-file.h"
#include "platform/atomic-write.h"
#include "platform/detached-script.h"
#include "platform/encoding.h"
#include "platform/file-stream.h"
#include "platform/file.h"
#include "platform/network-adapter.h"
#include "platform/process-lock.h"
#include "platform/registry.h"
#include "platform/shortcut.h"
#include "platform/system-version.h"
#include "platform/top-level-window.h"

namespace {

class Win32Backend : public ::testing::Test {
 protected:
  void SetUp() override {
    wchar_t base[MAX_PATH];
    ASSERT_NE(::GetTempPathW(MAX_PATH, base), 0u);
    const std::wstring name = std::wstring(base) + L"cvl-win32-\u00E9-" + std::to_wstring(::GetCurrentProcessId()) +
                              L"-" + std::to_wstring(::GetTickCount());
    ASSERT_TRUE(::CreateDirectoryW(name.c_str(), nullptr));
    folder_ = platform::WideToUtf8(name);
  }
  void TearDown() override {
    const std::wstring command = L"cmd.exe /c rd /s /q \"" + platform::Utf8ToWide(folder_) + L"\"";
    _wsystem(command.c_str());
  }
  std::string path(const std::string& name) const { return folder_ + "\\" + name; }

  std::string folder_;
};

TEST_F(Win32Backend, openFilesCanBeReadRenamedAndDeletedByOthers) {
  platform::File file;
  ASSERT_TRUE(file.createReplacing(path("log.txt")));
  ASSERT_EQ(file.write("line\n", 5), 5u);
  platform::File reader;
  ASSERT_TRUE(reader.openForReading(path("log.txt")));
  char buffer[8] = {};
  EXPECT_EQ(reader.read(buffer, sizeof buffer), 5u);
  reader.close();
  EXPECT_TRUE(platform::RenameFile(path("log.txt"), path("log.1.txt")));
  EXPECT_TRUE(platform::RemoveFile(path("log.1.txt")));
  file.close();  // the name goes with the last handle
  EXPECT_FALSE(platform::StatusOf(path("log.1.txt"), platform::LinkPolicy::noFollow));
}

TEST_F(Win32Backend, readOnlyFilesAreReplacedAndRemovedAsOnPosix) {
  {
    platform::File file;
    ASSERT_TRUE(file.createReplacing(path("a")));
    ASSERT_TRUE(file.setPermissions(0444));
  }
  EXPECT_EQ(platform::StatusOf(path("a"), platform::LinkPolicy::follow)->permissions & 0222, 0u);
  platform::File again;
  ASSERT_TRUE(again.createReplacing(path("a")));
  again.close();
  {
    platform::File file;
    ASSERT_TRUE(file.createReplacing(path("b")));
    ASSERT_TRUE(file.setPermissions(0444));
  }
  EXPECT_TRUE(platform::WriteFileAtomically(path("b"), std::string_view("new"), platform::FileAccess::plain));
  EXPECT_EQ(platform::StatusOf(path("b"), platform::LinkPolicy::follow)->size, 3u);
  {
    platform::File file;
    ASSERT_TRUE(file.openForReading(path("b")));
  }
  platform::File readOnly;
  ASSERT_TRUE(readOnly.createReplacing(path("c")));
  ASSERT_TRUE(readOnly.setPermissions(0444));
  readOnly.close();
  EXPECT_TRUE(platform::RenameFile(path("a"), path("c")));
  EXPECT_TRUE(platform::RemoveFile(path("b")));
}

TEST_F(Win32Backend, truncateKeepsThePositionAndTimesRoundTrip) {
  platform::File file;
  ASSERT_TRUE(file.createReplacing(path("t")));
  ASSERT_EQ(file.write("abcdef", 6), 6u);
  ASSERT_TRUE(file.truncate(2));
  EXPECT_EQ(file.seek(0, platform::SeekOrigin::current), 6u);
  const std::int64_t before1970 = -1'234'567'800;  // whole 100-ns ticks
  ASSERT_TRUE(file.setModificationTime(before1970));
  const auto status = file.status();
  ASSERT_TRUE(status);
  EXPECT_TRUE(status->isRegular);
  EXPECT_EQ(status->size, 2u);
  EXPECT_EQ(status->modificationTime, before1970);
}

TEST_F(Win32Backend, registryKeysHoldValuesAndRefuseDeletionWithSubkeys) {
  const std::string parent = "Software\\CorvelaTest" + std::to_string(::GetCurrentProcessId());
  auto key = platform::RegistryKey::Create(platform::RegistryRoot::CurrentUser, parent + "\\Sub");
  ASSERT_TRUE(key);
  EXPECT_TRUE(key->SetDword("Count", 7));
  EXPECT_TRUE(key->SetString("Name", "\xC3\xA9t\xC3\xA9 \xF0\x9F\x98\x80"));
  EXPECT_EQ(key->GetDword("count"), 7u);  // names compare without case
  EXPECT_EQ(key->GetString("Name"), "\xC3\xA9t\xC3\xA9 \xF0\x9F\x98\x80");
  EXPECT_FALSE(key->GetDword("Name"));
  EXPECT_FALSE(platform::DeleteRegistryKey(platform::RegistryRoot::CurrentUser, parent));
  EXPECT_TRUE(platform::DeleteRegistryKey(platform::RegistryRoot::CurrentUser, parent + "\\Sub"));
  EXPECT_FALSE(key->SetDword("Count", 8));  // deleted meanwhile
  EXPECT_TRUE(platform::DeleteRegistryKey(platform::RegistryRoot::CurrentUser, parent));
  EXPECT_FALSE(platform::RegistryKey::Create(platform::RegistryRoot::CurrentUser, "Software\\\\Empty"));
}

TEST_F(Win32Backend, aLockIsHeldForTheWholeProcessOnce) {
  EXPECT_EQ(platform::LockForProcessLifetime(path("lock")), platform::ProcessLockResult::acquired);
  EXPECT_EQ(platform::LockForProcessLifetime(path("lock")), platform::ProcessLockResult::heldByAnother);
  EXPECT_EQ(platform::LockForProcessLifetime(path("missing\\lock")), platform::ProcessLockResult::unavailable);
}

TEST_F(Win32Backend, scriptsRunFromPathsWithSpacesAndParentheses) {
  const std::string folder = path("Program Files (x86)");
  ASSERT_TRUE(platform::MakeDirectory(folder));
  const std::string script = folder + "\\Delete Bat.bat";
  ASSERT_TRUE(platform::WriteFileAtomically(script, std::string_view("@echo done> \"%~dp0ran.txt\"\r\n"),
                                            platform::FileAccess::plain));
  ASSERT_TRUE(platform::StartDetachedScript(script));
  for (int i = 0; i < 200 && !platform::StatusOf(folder + "\\ran.txt", platform::LinkPolicy::follow); ++i) {
    ::Sleep(50);
  }
  EXPECT_TRUE(platform::StatusOf(folder + "\\ran.txt", platform::LinkPolicy::follow));
}

// Names from beyond Latin-1 and beyond the 16-bit plane: any step through the ANSI code page or
// a cut surrogate pair would show as a different name in the folder's listing.
TEST_F(Win32Backend, nonAsciiNamesReachTheDiskAsTheyAre) {
  const std::string folder = path("\xE6\x97\xA5\xE6\x9C\xAC \xF0\x9F\x98\x80");  // 日本 😀
  const std::wstring wideFolder = platform::Utf8ToWide(folder);
  ASSERT_TRUE(platform::MakeDirectory(folder));
  EXPECT_TRUE(platform::IsDirectory(folder));
  const std::string file = folder + "\\\xD0\xB4\xD0\xB0\xD0\xBD\xD0\xBD\xD1\x8B\xD0\xB5";  // данные
  ASSERT_TRUE(platform::WriteFileAtomically(file, std::string_view("one"), platform::FileAccess::plain));
  std::FILE* append = platform::OpenForAppending(file);
  ASSERT_NE(append, nullptr);
  std::fputs("two", append);
  std::fclose(append);
  std::FILE* stream = platform::OpenFileStreamForWriting(folder + "\\\xC3\xA9t\xC3\xA9.7z");
  ASSERT_NE(stream, nullptr);
  std::fclose(stream);
  ASSERT_TRUE(platform::RenameFile(folder + "\\\xC3\xA9t\xC3\xA9.7z", folder + "\\\xF0\x9F\x93\xA6.7z"));  // 📦

  std::vector<std::wstring> names;
  WIN32_FIND_DATAW entry;
  const HANDLE find = ::FindFirstFileW((wideFolder + L"\\*").c_str(), &entry);
  ASSERT_NE(find, INVALID_HANDLE_VALUE);
  do {
    if (entry.cFileName[0] != L'.') names.push_back(entry.cFileName);
  } while (::FindNextFileW(find, &entry));
  ::FindClose(find);
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::wstring>{L"\u0434\u0430\u043D\u043D\u044B\u0435", L"\U0001F4E6.7z"}));

  platform::File reader;
  ASSERT_TRUE(reader.openForReading(file));
  char text[8] = {};
  EXPECT_EQ(reader.read(text, sizeof text), 6u);
  EXPECT_STREQ(text, "onetwo");
  const auto canonical = platform::CanonicalPath(file);
  ASSERT_TRUE(canonical);
  EXPECT_TRUE(canonical->ends_with("/\xE6\x97\xA5\xE6\x9C\xAC \xF0\x9F\x98\x80/\xD0\xB4\xD0\xB0\xD0\xBD\xD0\xBD\xD1\x8B\xD0\xB5"))
      << *canonical;
}

struct ResolvedLink {
  std::wstring target;
  std::wstring workingDirectory;
};

// What the shell reads from a .lnk file.
std::optional<ResolvedLink> ResolveLink(const std::string& file) {
  std::optional<ResolvedLink> result;
  if (FAILED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return result;
  IShellLinkW* link = nullptr;
  IPersistFile* persist = nullptr;
  wchar_t target[MAX_PATH] = {}, folder[MAX_PATH] = {};
  if (SUCCEEDED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                   reinterpret_cast<void**>(&link))) &&
      SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&persist))) &&
      SUCCEEDED(persist->Load(platform::Utf8ToWide(file).c_str(), STGM_READ)) &&
      SUCCEEDED(link->GetPath(target, MAX_PATH, nullptr, SLGP_RAWPATH)) &&
      SUCCEEDED(link->GetWorkingDirectory(folder, MAX_PATH))) {
    result = ResolvedLink{target, folder};
  }
  if (persist != nullptr) persist->Release();
  if (link != nullptr) link->Release();
  ::CoUninitialize();
  return result;
}

TEST_F(Win32Backend, aShortcutResolvesToItsTargetAndIsReplacedWhole) {
  const std::string link = path("Corvela.lnk");
  const std::string first = path("cvl_qx.exe"), second = path("\xC3\xA9t\xC3\xA9\\cvl_qx.exe");
  ASSERT_TRUE(platform::MakeDirectory(path("\xC3\xA9t\xC3\xA9")));
  for (const std::string& target : {first, second}) {
    ASSERT_TRUE(platform::WriteFileAtomically(target, std::string_view("MZ"), platform::FileAccess::plain));
  }

  ASSERT_TRUE(platform::CreateShortcut(link, first, folder_));
  auto resolved = ResolveLink(link);
  ASSERT_TRUE(resolved);
  EXPECT_EQ(resolved->target, platform::Utf8ToWide(first));
  EXPECT_EQ(resolved->workingDirectory, platform::Utf8ToWide(folder_));

  ASSERT_TRUE(platform::CreateShortcut(link, second, path("\xC3\xA9t\xC3\xA9")));
  resolved = ResolveLink(link);
  ASSERT_TRUE(resolved);
  EXPECT_EQ(resolved->target, platform::Utf8ToWide(second));
  EXPECT_EQ(resolved->workingDirectory, platform::Utf8ToWide(path("\xC3\xA9t\xC3\xA9")));
  // Nothing of the replacement is left beside it.
  WIN32_FIND_DATAW entry;
  const HANDLE find = ::FindFirstFileW(platform::Utf8ToWide(path("*.tmp")).c_str(), &entry);
  EXPECT_EQ(find, INVALID_HANDLE_VALUE);
  if (find != INVALID_HANDLE_VALUE) ::FindClose(find);
}

// A hidden window of its own class on a thread of its own, as the platform client's window is
// in another program: it keeps what WM_COPYDATA brings.
class NoticeWindow {
 public:
  struct Notice {
    WPARAM wParam = 0;
    ULONG_PTR dataTag = 0;
    std::vector<std::uint8_t> record;
  };

  explicit NoticeWindow(std::wstring title) : title_(std::move(title)) {
    thread_ = std::thread([this] { Run(); });
    std::unique_lock<std::mutex> lock(mutex_);
    ready_.wait(lock, [this] { return started_; });
  }
  ~NoticeWindow() {
    if (window_ != nullptr) ::PostMessageW(window_, WM_CLOSE, 0, 0);
    thread_.join();
  }
  HWND window() const { return window_; }
  DWORD creationError() const { return creationError_; }
  std::vector<Notice> notices() {
    std::lock_guard<std::mutex> lock(mutex_);
    return notices_;
  }

 private:
  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<NoticeWindow*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
    if (message == WM_COPYDATA && self != nullptr) {
      const auto* data = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
      const auto* bytes = static_cast<const std::uint8_t*>(data->lpData);
      std::lock_guard<std::mutex> lock(self->mutex_);
      self->notices_.push_back(Notice{wParam, data->dwData, {bytes, bytes + data->cbData}});
      return TRUE;
    }
    if (message == WM_DESTROY) ::PostQuitMessage(0);
    return ::DefWindowProcW(window, message, wParam, lParam);
  }

  void Run() {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = Procedure;
    windowClass.hInstance = ::GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"CorvelaNoticeTest";
    ::RegisterClassW(&windowClass);
    window_ = ::CreateWindowExW(0, windowClass.lpszClassName, title_.c_str(), WS_OVERLAPPEDWINDOW, 0, 0, 100, 100,
                                nullptr, nullptr, windowClass.hInstance, nullptr);
    if (window_ != nullptr) {
      ::SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    } else {
      creationError_ = ::GetLastError();
    }
    {
      std::lock_guard<std::mutex> lock(mutex_);
      started_ = true;
    }
    ready_.notify_all();
    MSG message;
    while (window_ != nullptr && ::GetMessageW(&message, nullptr, 0, 0) > 0) ::DispatchMessageW(&message);
  }

  std::wstring title_;
  HWND window_ = nullptr;
  DWORD creationError_ = 0;
  std::thread thread_;
  std::mutex mutex_;
  std::condition_variable ready_;
  bool started_ = false;
  std::vector<Notice> notices_;
};

// Windows always has a desktop to make windows on; Wine has one only with an X display.
bool NoDesktop(const NoticeWindow& target) {
  return target.window() == nullptr && ::GetEnvironmentVariableW(L"DISPLAY", nullptr, 0) == 0;
}

TEST(Win32Windows, theCloseNoticeReachesTheWindowFoundByItsExactTitle) {
  const std::wstring title = L"Corvela notice \u00E9 " + std::to_wstring(::GetCurrentProcessId());
  NoticeWindow target(title);
  if (NoDesktop(target)) GTEST_SKIP() << "no window without a display (error " << target.creationError() << ")";
  ASSERT_NE(target.window(), nullptr) << "error " << target.creationError();

  const std::string utf8Title = platform::WideToUtf8(title);
  const platform::WindowId found = platform::FindTopLevelWindow(utf8Title);
  EXPECT_EQ(found, reinterpret_cast<platform::WindowId>(target.window()));
  std::string otherCase = utf8Title;
  otherCase[0] = 'c';
  EXPECT_EQ(platform::FindTopLevelWindow(otherCase), 0u);
  EXPECT_EQ(platform::FindTopLevelWindow(utf8Title.substr(1)), 0u);

  std::vector<std::uint8_t> record(528);
  for (std::size_t i = 0; i < record.size(); ++i) record[i] = static_cast<std::uint8_t>(i * 7);
  // The call returns once the window has handled the message, so the notice is there at once.
  ASSERT_TRUE(platform::SendCloseNotice(found, 1180, 1, record));
  const auto notices = target.notices();
  ASSERT_EQ(notices.size(), 1u);
  EXPECT_EQ(notices[0].wParam, 1180u);
  EXPECT_EQ(notices[0].dataTag, 1u);
  EXPECT_EQ(notices[0].record, record);

  // A window that is gone is no error and does not hold the caller.
  HWND gone = ::CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(gone, nullptr);
  ::DestroyWindow(gone);
  EXPECT_TRUE(platform::SendCloseNotice(reinterpret_cast<platform::WindowId>(gone), 5, 1, record));
}

TEST(Win32Windows, aRaisedWindowIsShownInFrontButNotLeftOnTop) {
  const std::wstring title = L"Corvela raise " + std::to_wstring(::GetCurrentProcessId());
  NoticeWindow target(title);
  if (NoDesktop(target)) GTEST_SKIP() << "no window without a display (error " << target.creationError() << ")";
  ASSERT_NE(target.window(), nullptr) << "error " << target.creationError();
  ::SetWindowPos(target.window(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  ::ShowWindow(target.window(), SW_SHOWMINNOACTIVE);
  ASSERT_TRUE(::IsIconic(target.window()));

  platform::ShowAndRaiseWindow(platform::FindTopLevelWindow(platform::WideToUtf8(title)));
  EXPECT_TRUE(::IsWindowVisible(target.window()));
  EXPECT_FALSE(::IsIconic(target.window()));
  EXPECT_EQ(::GetWindowLongW(target.window(), GWL_EXSTYLE) & WS_EX_TOPMOST, 0);
}

// The first adapter of the system's list that is Ethernet with a six-byte address, the same rule
// asked of the other list the system keeps.
std::string FirstEthernetAddress() {
  ULONG size = 16 * 1024;
  std::vector<unsigned char> buffer;
  ULONG result = ERROR_BUFFER_OVERFLOW;
  for (int i = 0; i < 3 && result == ERROR_BUFFER_OVERFLOW; ++i) {
    buffer.assign(size, 0);
    result = ::GetAdaptersAddresses(AF_UNSPEC, 0, nullptr, reinterpret_cast<IP_ADAPTER_ADDRESSES*>(buffer.data()),
                                    &size);
  }
  if (result != ERROR_SUCCESS) return {};
  for (auto* a = reinterpret_cast<const IP_ADAPTER_ADDRESSES*>(buffer.data()); a != nullptr; a = a->Next) {
    if (a->IfType != IF_TYPE_ETHERNET_CSMACD || a->PhysicalAddressLength != 6) continue;
    char text[18];
    std::snprintf(text, sizeof text, "%02X:%02X:%02X:%02X:%02X:%02X", a->PhysicalAddress[0], a->PhysicalAddress[1],
                  a->PhysicalAddress[2], a->PhysicalAddress[3], a->PhysicalAddress[4], a->PhysicalAddress[5]);
    return text;
  }
  return {};
}

TEST(Win32DeviceIdentity, theWiredAddressIsTheFirstEthernetAdaptersOrEmpty) {
  const std::string address = platform::WiredAdapterAddress();
  if (!address.empty()) {
    EXPECT_TRUE(std::regex_match(address, std::regex("[0-9A-F]{2}(:[0-9A-F]{2}){5}"))) << address;
  }
  EXPECT_EQ(address, FirstEthernetAddress());
}

TEST(Win32DeviceIdentity, theVersionCheckAnswersForTheRunningSystem) {
  struct Case {
    int major, minor, servicePack;
    bool expected;
  };
  // Windows 7 is the oldest system the build runs on.
  const Case cases[] = {{5, 1, 0, true}, {5, 1, 3, true}, {6, 1, 0, true}, {99, 0, 0, false}};
  for (const Case& c : cases) {
    EXPECT_EQ(platform::IsWindowsVersionOrGreater(c.major, c.minor, c.servicePack), c.expected)
        << c.major << "." << c.minor << " SP" << c.servicePack;
  }
}

}  // namespace
