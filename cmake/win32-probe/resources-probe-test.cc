#include "platform/resources.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

std::vector<unsigned char> ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Each resource as the resource script put it into this program, byte for byte; the icon is a
// named type "ICON" holding the PNG, not the system's icon type, which windres would have wanted
// as an .ico.
TEST(Resources, EveryEmbeddedFileIsFoundByTypeAndIdWithItsBytes) {
  const std::string art = CVL_TEST_ART_DIR;
  struct Case {
    const char* type;
    int id;
    std::string file;
  };
  const Case cases[] = {
      {"DLL", 141, CVL_TEST_PLUGIN},       {"EXE", 162, CVL_TEST_UNINST},
      {"PNG", 131, art + "/cvl_131.png"},  {"PNG", 137, art + "/cvl_137.png"},
      {"PNG", 155, art + "/cvl_155.png"},  {"ICON", 160, art + "/cvl_160.png"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.type) + " " + std::to_string(c.id));
    const auto found = platform::FindResource(c.type, c.id);
    ASSERT_TRUE(found);
    const std::vector<unsigned char> expected = ReadFile(c.file);
    ASSERT_FALSE(expected.empty()) << c.file;
    EXPECT_EQ(std::vector<unsigned char>(found->begin(), found->end()), expected);
  }
}

TEST(Resources, AnIdUnderAnotherTypeIsNotFound) {
  EXPECT_FALSE(platform::FindResource("DLL", 162));
  EXPECT_FALSE(platform::FindResource("PNG", 160));
  EXPECT_FALSE(platform::FindResource("PNG", 999));
}

}  // namespace
