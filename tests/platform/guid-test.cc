#include "platform/guid.h"

#include <gtest/gtest.h>

#include <regex>
#include <set>
#include <string>

namespace {

TEST(Guid, EveryOneIsAFreshBracedGuid) {
  const std::regex guid("\\{[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}\\}");
  std::set<std::string> seen;
  for (int i = 0; i < 100; ++i) {
    const std::string id = platform::NewGuidText();
    EXPECT_TRUE(std::regex_match(id, guid)) << id;
    EXPECT_TRUE(seen.insert(id).second) << "repeated " << id;
  }
}

}  // namespace
