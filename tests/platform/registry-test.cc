#include "platform/registry.h"

#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "support/files.h"
#include "support/sandbox.h"

namespace {

using platform::DeleteRegistryKey;
using platform::RegistryKey;
using platform::RegistryRoot;
using testing_support::ReadFile;
using testing_sandbox::Sandbox;
using testing_support::WriteFile;

constexpr auto HKLM = RegistryRoot::LocalMachine;
constexpr auto HKCU = RegistryRoot::CurrentUser;

class RegistryTest : public ::testing::Test {
 protected:
  Sandbox sandbox_;
};

TEST_F(RegistryTest, ValuesSurviveInTheRootFileAndNamesIgnoreCase) {
  EXPECT_FALSE(RegistryKey::Open(HKLM, "SOFTWARE\\Vendor\\App"));
  auto created = RegistryKey::Create(HKLM, "SOFTWARE\\Vendor\\App");
  ASSERT_TRUE(created);
  ASSERT_TRUE(created->SetDword("cvl_qx.exe", 10000));
  ASSERT_TRUE(created->SetString("Name", "Corvela"));

  // A fresh handle under another spelling reads what the file holds.
  auto opened = RegistryKey::Open(HKLM, "software\\VENDOR\\app");
  ASSERT_TRUE(opened);
  EXPECT_EQ(opened->path(), "SOFTWARE\\Vendor\\App");
  EXPECT_EQ(opened->GetDword("CVL_QX.EXE"), 10000u);
  EXPECT_EQ(opened->GetString("name"), "Corvela");
  // The other type under the same name is not there.
  EXPECT_FALSE(opened->GetString("cvl_qx.exe"));
  EXPECT_FALSE(opened->GetDword("Name"));
  EXPECT_FALSE(opened->GetDword("missing"));

  // Overwriting changes type and data and keeps the first spelling of the name.
  ASSERT_TRUE(opened->SetDword("NAME", 7));
  EXPECT_EQ(created->GetDword("Name"), 7u);
  const std::string file = ReadFile(sandbox_.registry() / "HKEY_LOCAL_MACHINE.reg");
  EXPECT_NE(file.find("[SOFTWARE\\Vendor\\App]\n\"cvl_qx.exe\"=dword:00002710\n\"Name\"=dword:00000007\n"),
            std::string::npos)
      << file;

  // The roots are apart.
  EXPECT_FALSE(RegistryKey::Open(HKCU, "SOFTWARE\\Vendor\\App"));
  EXPECT_FALSE(std::filesystem::exists(sandbox_.registry() / "HKEY_CURRENT_USER.reg"));
}

TEST_F(RegistryTest, CreateMakesParentsAndDeleteRefusesKeysWithSubkeys) {
  ASSERT_TRUE(RegistryKey::Create(HKCU, "A\\B\\C"));
  ASSERT_TRUE(RegistryKey::Open(HKCU, "A"));
  ASSERT_TRUE(RegistryKey::Open(HKCU, "a\\b"));
  // Creating an existing key keeps it and its values.
  ASSERT_TRUE(RegistryKey::Create(HKCU, "A\\B")->SetDword("v", 1));
  EXPECT_EQ(RegistryKey::Create(HKCU, "a\\B")->GetDword("v"), 1u);

  EXPECT_FALSE(DeleteRegistryKey(HKCU, "A\\B"));
  EXPECT_FALSE(DeleteRegistryKey(HKCU, "A\\B\\C\\D"));
  EXPECT_TRUE(DeleteRegistryKey(HKCU, "A\\B\\c"));
  EXPECT_FALSE(RegistryKey::Open(HKCU, "A\\B\\C"));
  // "A\BX" is no subkey of "A\B".
  ASSERT_TRUE(RegistryKey::Create(HKCU, "A\\BX"));
  auto b = RegistryKey::Open(HKCU, "A\\B");
  ASSERT_TRUE(b);
  EXPECT_TRUE(DeleteRegistryKey(HKCU, "A\\B"));
  // A handle to a deleted key writes nothing, and a new key of that name starts empty.
  EXPECT_FALSE(b->SetDword("v", 2));
  EXPECT_FALSE(RegistryKey::Create(HKCU, "A\\B")->GetDword("v"));
}

TEST_F(RegistryTest, StringsKeepEveryByte) {
  const std::string texts[] = {"", "say \"hi\"", "C:\\path\\", "two\nlines\r\n", "tab\tand\x01", "下载完成",
                               "= [x] ;", std::string("nul\0inside", 10)};
  auto key = RegistryKey::Create(HKCU, "Texts");
  ASSERT_TRUE(key);
  for (size_t i = 0; i < std::size(texts); ++i) {
    ASSERT_TRUE(key->SetString("v" + std::to_string(i), texts[i]));
    ASSERT_TRUE(key->SetString(texts[i], "named"));
  }
  for (size_t i = 0; i < std::size(texts); ++i) {
    EXPECT_EQ(key->GetString("v" + std::to_string(i)), texts[i]) << i;
    EXPECT_EQ(key->GetString(texts[i]), "named") << i;
  }
}

TEST_F(RegistryTest, InvalidKeyPathsAreRefused) {
  const std::string paths[] = {"", "\\A", "A\\", "A\\\\B", "A\nB", "A\rB", std::string(256, 'k')};
  for (const std::string& path : paths) {
    EXPECT_FALSE(RegistryKey::Create(HKCU, path)) << path;
    EXPECT_FALSE(RegistryKey::Open(HKCU, path)) << path;
    EXPECT_FALSE(DeleteRegistryKey(HKCU, path)) << path;
  }
  EXPECT_TRUE(RegistryKey::Create(HKCU, std::string(255, 'k')));
}

TEST_F(RegistryTest, AnUnreadableRootFileIsNeverOverwritten) {
  struct Case {
    const char* text;
    int badLine;
  };
  const Case corrupt[] = {{"\"value\"=dword:00000001\n", 1},  // a value before any key
                          {"[A]\n\"v\"=dword:123\n", 2},      // short number
                          {"[A]\n\"v\"=\"open\n", 2},         // unterminated text
                          {"[A]\n\"v\"=\"bad \\q escape\"\n", 2},
                          {"; ok\n[A\n", 2},
                          {"[A]\n\n\ngarbage\n", 4}};
  const auto file = sandbox_.registry() / "HKEY_CURRENT_USER.reg";
  std::filesystem::create_directories(sandbox_.registry());
  for (const auto& [text, badLine] : corrupt) {
    WriteFile(file, text);
    ::testing::internal::CaptureStderr();
    EXPECT_FALSE(RegistryKey::Create(HKCU, "B")) << text;
    const std::string said = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(said.find(file.string() + " line " + std::to_string(badLine) + " cannot be read"), std::string::npos)
        << said;
    EXPECT_FALSE(RegistryKey::Open(HKCU, "A")) << text;
    EXPECT_FALSE(DeleteRegistryKey(HKCU, "A")) << text;
    EXPECT_EQ(ReadFile(file), text);
    // The other root is unaffected.
    EXPECT_TRUE(RegistryKey::Create(HKLM, "B")) << text;
  }
}

TEST_F(RegistryTest, AHandWrittenFileIsRead) {
  std::filesystem::create_directories(sandbox_.registry());
  WriteFile(sandbox_.registry() / "HKEY_CURRENT_USER.reg",
            "; comment\r\n\r\n[Software\\X]\r\n\"d\"=dword:0000FFff\r\n\"s\"=\"a\\x41\\\\\"\r\n"
            "[software\\x]\n\"d\"=dword:00000002\n");
  auto key = RegistryKey::Open(HKCU, "Software\\X");
  ASSERT_TRUE(key);
  // A key given twice is one key; the later value wins.
  EXPECT_EQ(key->GetDword("d"), 2u);
  EXPECT_EQ(key->GetString("s"), "aA\\");
}

TEST_F(RegistryTest, ConcurrentWritersLoseNoChange) {
  constexpr int kProcesses = 4;
  constexpr int kWritesEach = 25;
  ASSERT_TRUE(RegistryKey::Create(HKCU, "Shared"));
  std::vector<pid_t> children;
  for (int p = 0; p < kProcesses; ++p) {
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      bool ok = true;
      for (int i = 0; i < kWritesEach; ++i) {
        auto key = RegistryKey::Open(HKCU, "Shared");
        ok = ok && key && key->SetDword("p" + std::to_string(p) + "_" + std::to_string(i), static_cast<std::uint32_t>(i));
      }
      ::_exit(ok ? 0 : 1);
    }
    children.push_back(pid);
  }
  for (pid_t pid : children) {
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  auto key = RegistryKey::Open(HKCU, "Shared");
  for (int p = 0; p < kProcesses; ++p) {
    for (int i = 0; i < kWritesEach; ++i) {
      EXPECT_EQ(key->GetDword("p" + std::to_string(p) + "_" + std::to_string(i)), static_cast<std::uint32_t>(i));
    }
  }
  // No temporary file is left behind.
  for (const auto& entry : std::filesystem::directory_iterator(sandbox_.registry())) {
    EXPECT_EQ(entry.path().string().find(".tmp"), std::string::npos) << entry.path();
  }
}

TEST_F(RegistryTest, TheFolderFollowsTheEnvironment) {
  sandbox_.Set("CVL_REGISTRY_DIR", std::nullopt);
  EXPECT_EQ(platform::RegistryDirectory(), (sandbox_.home() / ".config/corvela/registry").string());
  sandbox_.Set("XDG_CONFIG_HOME", std::nullopt);
  EXPECT_EQ(platform::RegistryDirectory(), (sandbox_.home() / ".config/corvela/registry").string());
  sandbox_.Set("XDG_CONFIG_HOME", "/elsewhere");
  EXPECT_EQ(platform::RegistryDirectory(), "/elsewhere/corvela/registry");
  // A relative XDG_CONFIG_HOME is to be ignored.
  sandbox_.Set("XDG_CONFIG_HOME", "relative");
  EXPECT_EQ(platform::RegistryDirectory(), (sandbox_.home() / ".config/corvela/registry").string());

  sandbox_.Set("XDG_CONFIG_HOME", (sandbox_.root() / "config").string());
  ASSERT_TRUE(RegistryKey::Create(HKLM, "K"));
  EXPECT_TRUE(std::filesystem::exists(sandbox_.root() / "config/corvela/registry/HKEY_LOCAL_MACHINE.reg"));
}

TEST_F(RegistryTest, AFolderThatCannotBeMadeFailsEveryChange) {
  WriteFile(sandbox_.root() / "plain-file", "");
  sandbox_.Set("CVL_REGISTRY_DIR", (sandbox_.root() / "plain-file/registry").string());
  EXPECT_FALSE(RegistryKey::Create(HKCU, "K"));
  EXPECT_FALSE(RegistryKey::Open(HKCU, "K"));
}

}  // namespace
