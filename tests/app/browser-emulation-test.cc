#include "app/browser-emulation.h"

#include <gtest/gtest.h>

#include "platform/registry.h"
#include "support/files.h"
#include "support/sandbox.h"

namespace {

using platform::RegistryKey;
using platform::RegistryRoot;
using testing_sandbox::Sandbox;

TEST(BrowserEmulation, KeyCreatedWhenMissingAndValueOverwritten) {
  Sandbox sandbox;
  ASSERT_TRUE(WriteBrowserEmulationValue());
  auto key = RegistryKey::Open(RegistryRoot::LocalMachine,
                               "SOFTWARE\\Microsoft\\Internet Explorer\\MAIN\\FeatureControl\\FEATURE_BROWSER_EMULATION");
  ASSERT_TRUE(key);
  EXPECT_EQ(key->GetDword("cvl_qx.exe"), 10000u);

  ASSERT_TRUE(key->SetString("cvl_qx.exe", "stale"));
  ASSERT_TRUE(key->SetDword("other.exe", 11001));
  ASSERT_TRUE(WriteBrowserEmulationValue());
  EXPECT_EQ(key->GetDword("cvl_qx.exe"), 10000u);
  EXPECT_EQ(key->GetDword("other.exe"), 11001u);
  // Nothing goes to the per-user root.
  EXPECT_FALSE(std::filesystem::exists(sandbox.registry() / "HKEY_CURRENT_USER.reg"));
}

TEST(BrowserEmulation, AnUnwritableStoreIsNoError) {
  Sandbox sandbox;
  testing_support::WriteFile(sandbox.root() / "file", "");
  sandbox.Set("CVL_REGISTRY_DIR", (sandbox.root() / "file/registry").string());
  EXPECT_FALSE(WriteBrowserEmulationValue());
}

}  // namespace
