#include "res/strings.h"

#include <gtest/gtest.h>

#include "support/sandbox.h"

namespace {

// The built-in endpoints: each one's fixed scheme and path on the host the build names.
TEST(StringTable, EndpointsAreTheFixedPathsOnTheConfiguredHosts) {
  testing_sandbox::Sandbox sandbox;
  for (int id : {148, 150, 154, 155}) sandbox.Set("CVL_STRING_" + std::to_string(id), std::nullopt);
  const std::pair<int, std::string> kEntries[] = {
      {148, "https://" CVL_LOGIN_HOST "/oauth2/5670?redirectUri=http://" CVL_GAME_HOST "/user/kvWebLogin"},
      {150, "Corvela"},
      {154, "http://" CVL_GAME_HOST "/log/log"},
      {155, "http://" CVL_RESOURCE_HOST "/package/brindle/PCDownloadCfg.json"},
  };
  for (const auto& [id, text] : kEntries) {
    EXPECT_EQ(res::LoadString(id), text) << id;
  }
  EXPECT_EQ(res::LoadString(149), "");

  // Tests, staging and the demo point the launcher at their own servers this way.
  sandbox.Set("CVL_STRING_155", "http://127.0.0.1:1/cfg.json");
  EXPECT_EQ(res::LoadString(155), "http://127.0.0.1:1/cfg.json");
}

}  // namespace
