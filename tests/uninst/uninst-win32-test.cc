// The real uninst.exe in a fake installation: started as a user would, it ends at once and its
// batch file, run by cmd.exe after the uninstaller has gone, removes the files.
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "platform/desktop.h"
#include "platform/registry.h"
#include "support/temp-dir.h"
#include "support/wait.h"
#include "uninst/delete-bat.h"
#include "uninst/uninstall.h"

namespace {

namespace fs = std::filesystem;
using platform::RegistryKey;
using platform::RegistryRoot;

void Write(const fs::path& file, const std::string& text) {
  fs::create_directories(file.parent_path());
  std::ofstream(file, std::ios::binary) << text;
}

std::string Read(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Runs the uninst.exe in `folder` there, as a user would start it; its exit code, or 0 when it
// could not be started or did not end.
DWORD RunUninstaller(const fs::path& folder) {
  std::wstring line = L"\"" + (folder / "uninst.exe").wstring() + L"\" ignored";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!::CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.wstring().c_str(), &startup,
                        &process)) {
    return 0;
  }
  ::CloseHandle(process.hThread);
  DWORD code = 0;
  if (::WaitForSingleObject(process.hProcess, 30000) != WAIT_OBJECT_0 || !::GetExitCodeProcess(process.hProcess, &code)) {
    code = 0;
  }
  ::CloseHandle(process.hProcess);
  return code;
}

TEST(UninstallerOnWindows, RefusesAFolderWithoutAnInstallation) {
  const testing_support::TempDir temp;
  const fs::path work = temp.path() / "empty";
  Write(work / "game/cvl_qx.exe", "only below");
  fs::copy_file(CVL_UNINST_PROGRAM, work / "uninst.exe");
  ASSERT_TRUE(RegistryKey::Create(RegistryRoot::CurrentUser, uninst::kUninstallKey));
  EXPECT_EQ(RunUninstaller(work), 1u);
  EXPECT_TRUE(RegistryKey::Open(RegistryRoot::CurrentUser, uninst::kUninstallKey));
  EXPECT_FALSE(fs::exists(work / "DeleteBat.bat"));
  EXPECT_TRUE(fs::exists(work / "game/cvl_qx.exe"));
  platform::DeleteRegistryKey(RegistryRoot::CurrentUser, uninst::kUninstallKey);
}

TEST(UninstallerOnWindows, EndsWithMinusOneAndItsBatchRemovesTheInstallation) {
  const testing_support::TempDir temp;
  const fs::path work = temp.path() / "install (x86) & co";
  Write(work / "cvl_qx.exe", "launcher");
  Write(work / "cvl/7za.dll", "plug-in");
  Write(work / "cvl/logs/cvl_qx_Main.log", "log");
  Write(work / "game/bin/cvl_qx.exe", "a copy below");
  Write(work / "game/keep.dat", "game data");
  fs::copy_file(CVL_UNINST_PROGRAM, work / "uninst.exe");
  ASSERT_TRUE(RegistryKey::Create(RegistryRoot::CurrentUser, uninst::kUninstallKey));

  EXPECT_EQ(RunUninstaller(work), 0xFFFFFFFFu);
  EXPECT_FALSE(RegistryKey::Open(RegistryRoot::CurrentUser, uninst::kUninstallKey));

  // The batch waits a second before it deletes anything, itself last: a batch that skipped its
  // wait (timeout.exe gives up at once without a console) would race the uninstaller's end. Wine
  // has no timeout.exe, so there only cmd.exe's own start stands between the two.
  EXPECT_TRUE(fs::exists(work / "cvl_qx.exe"));
  const std::string batch = Read(work / "DeleteBat.bat");
  const std::optional<std::string> desktop = platform::ReadDesktopDirectory();
  EXPECT_TRUE(batch == uninst::DeleteBatText(desktop) || batch == uninst::DeleteBatText(std::nullopt)) << batch;

  ASSERT_TRUE(testing_support::WaitUntil([&] { return !fs::exists(work / "DeleteBat.bat"); },
                                         std::chrono::seconds(30)))
      << "the batch never ended";
  for (const char* gone : {"cvl", "cvl_qx.exe", "uninst.exe", "game/bin/cvl_qx.exe"}) {
    EXPECT_FALSE(fs::exists(work / gone)) << gone;
  }
  EXPECT_TRUE(fs::exists(work / "game/keep.dat"));
}

}  // namespace
