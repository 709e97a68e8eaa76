// The start-up steps run in a child of their own, as the launcher runs them, in a sandbox whose
// registry the test then reads.
#include <signal.h>

#include <gtest/gtest.h>

#include <chrono>
#include <optional>
#include <string>

#include "app/browser-emulation.h"
#include "platform/registry.h"
#include "support/child-process.h"
#include "support/files.h"
#include "support/loopback-server.h"
#include "support/sandbox.h"

namespace {

using platform::RegistryKey;
using platform::RegistryRoot;

constexpr char kConfigPath[] = "/package/brindle/PCDownloadCfg.json";

TEST(StartUp, WritesTheBrowserEmulationValueBeforeTheConfigurationCheck) {
  testing_http::LoopbackServer server;
  server.server().Get(kConfigPath, [](const httplib::Request&, httplib::Response& res) {
    res.set_content(R"({"path":"/opt/cvl","gamePath":"http://127.0.0.1:1/game.7z","packageName":"game.7z"})",
                    "application/json");
  });
  const struct {
    const char* what;
    std::string configUrl;
    bool stale;  // the value is there already, as another type
    int exitCode;
  } kCases[] = {
      {"a start that reaches the dialog", server.Url(kConfigPath), false, 0},
      // The check ends the process: the value was written before it.
      {"a start whose configuration is refused",
       "http://127.0.0.1:" + std::to_string(testing_http::UnusedPort()) + kConfigPath, true, 1},
  };
  for (const auto& c : kCases) {
    testing_sandbox::Sandbox sandbox;
    sandbox.Set("CVL_STRING_155", c.configUrl);
    // Deployment adds the menu entry and the icon there.
    sandbox.Set("XDG_DATA_HOME", (sandbox.home() / ".local/share").string());
    if (c.stale) {
      auto key = RegistryKey::Create(RegistryRoot::LocalMachine, kBrowserEmulationKey);
      ASSERT_TRUE(key && key->SetString(kBrowserEmulationValueName, "stale"));
    }
    const auto output = sandbox.root() / "output";
    const pid_t child = testing_support::Spawn({CVL_STARTUP_STEPS_PROGRAM}, testing_support::CurrentEnvironment(),
                                               sandbox.work(), output);
    ASSERT_GT(child, 0);
    const std::optional<int> code = testing_support::WaitForExit(child, std::chrono::seconds(60));
    if (!code) ::kill(child, SIGKILL), ::waitpid(child, nullptr, 0);
    EXPECT_EQ(code, c.exitCode) << c.what << "\n" << testing_support::ReadFile(output);

    auto key = RegistryKey::Open(RegistryRoot::LocalMachine, kBrowserEmulationKey);
    ASSERT_TRUE(key) << c.what;
    EXPECT_EQ(key->GetDword(kBrowserEmulationValueName), kBrowserEmulationMode) << c.what;
  }
}

}  // namespace
