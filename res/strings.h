#pragma once
// The launcher's string table. Entries are fixed at build time; the environment variable
// CVL_STRING_<id> replaces an entry at run time (tests, staging and the demo point the launcher
// at their own servers that way).
#include <string>

namespace res {

constexpr int IDS_LOGIN_URL = 148;
constexpr int IDS_TITLE = 150;
constexpr int IDS_STATS_URL = 154;
constexpr int IDS_CONFIG_URL = 155;

// UTF-8 text of entry `id`; empty for an id the table does not have.
std::string LoadString(int id);

}  // namespace res
