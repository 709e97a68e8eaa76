#include "res/strings.h"

#include <cstdlib>

#include "res/string-values.h"

namespace res {

std::string LoadString(int id) {
  const std::string variable = "CVL_STRING_" + std::to_string(id);
  if (const char* override = std::getenv(variable.c_str())) return override;
  switch (id) {
    case IDS_LOGIN_URL: return CVL_LOGIN_URL;
    case IDS_TITLE: return "Corvela";
    case IDS_STATS_URL: return CVL_STATS_URL;
    case IDS_CONFIG_URL: return CVL_CONFIG_URL;
    default: return {};
  }
}

}  // namespace res
