// What the Windows backend must do that the system does not do by itself: share files as POSIX
// programs expect, replace read-only files, keep to the registry's 32-bit view, lock for one
// process, and start the shell on a script whose path holds the shell's special characters.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "platform/atomic-write.h"
#include "platform/detached-script.h"
#include "platform/encoding.h"
#include "platform/file.h"
#include "platform/process-lock.h"
#include "platform/registry.h"

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

}  // namespace
