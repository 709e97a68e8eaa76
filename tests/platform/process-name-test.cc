#include "platform/process-name.h"

#include <gtest/gtest.h>

namespace {

TEST(ProcessName, folderAndLastExtensionAreCut) {
  struct Case {
    const char* path;
    const char* name;
  };
  const Case cases[] = {
      {"/opt/corvela/cvl_qx", "cvl_qx"},
      {"cvl_qx.exe", "cvl_qx"},
      {"/a.b/uninst.tar.gz", "uninst.tar"},
      {"/opt/corvela/", "process"},
      {"", "process"},
  };
  for (const Case& c : cases) EXPECT_EQ(platform::ProcessNameFromPath(c.path), c.name) << c.path;
#if defined(_WIN32)
  EXPECT_EQ(platform::ProcessNameFromPath("C:\\Games\\Corvela\\cvl_qx.exe"), "cvl_qx");
#else
  EXPECT_EQ(platform::ProcessNameFromPath("/tmp/odd\\name.bin"), "odd\\name");
#endif
}

}  // namespace
