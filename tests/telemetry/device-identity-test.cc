#include "telemetry/device-identity.h"

#include <gtest/gtest.h>

namespace {

#ifdef _WIN32
// Every system that runs a 32-bit program of ours is XP or later, so a name always comes out.
TEST(DeviceIdentity, TheSystemPassesTheLowestCheckAndIsNamed) {
  EXPECT_TRUE(telemetry::IsVersionOrGreater(5, 1, 0));
  EXPECT_FALSE(telemetry::IsVersionOrGreater(99, 0, 0));
  EXPECT_NE(telemetry::OsName(), "");
}
#else
TEST(DeviceIdentity, NoWindowsVersionCheckPasses) {
  EXPECT_FALSE(telemetry::IsVersionOrGreater(5, 1, 0));
  EXPECT_EQ(telemetry::OsName(), "");
}
#endif

}  // namespace
