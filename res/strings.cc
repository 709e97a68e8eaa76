#include "res/strings.h"

#include <cstdlib>

#include "res/string-values.h"

namespace res {

namespace {

// Only the hosts are the deployment's; the schemes and paths are what the servers answer on.
constexpr char kLoginUrl[] =
    "https://" CVL_LOGIN_HOST "/oauth2/5670?redirectUri=http://" CVL_GAME_HOST "/user/kvWebLogin";
constexpr char kStatsUrl[] = "http://" CVL_GAME_HOST "/log/log";
constexpr char kConfigUrl[] = "http://" CVL_RESOURCE_HOST "/package/brindle/PCDownloadCfg.json";

// The Windows string table is read into buffers of 100 characters: a longer entry would be cut.
constexpr std::size_t kMaxLength = 99;
static_assert(sizeof kLoginUrl - 1 <= kMaxLength, "CVL_LOGIN_HOST and CVL_GAME_HOST make string 148 too long");
static_assert(sizeof kStatsUrl - 1 <= kMaxLength, "CVL_GAME_HOST makes string 154 too long");
static_assert(sizeof kConfigUrl - 1 <= kMaxLength, "CVL_RESOURCE_HOST makes string 155 too long");

}  // namespace

std::string LoadString(int id) {
  const std::string variable = "CVL_STRING_" + std::to_string(id);
  if (const char* override = std::getenv(variable.c_str())) return override;
  switch (id) {
    case IDS_LOGIN_URL: return kLoginUrl;
    case IDS_TITLE: return "Corvela";
    case IDS_STATS_URL: return kStatsUrl;
    case IDS_CONFIG_URL: return kConfigUrl;
    default: return {};
  }
}

}  // namespace res
