#include "telemetry/device-identity.h"

#include <gtest/gtest.h>

namespace {

TEST(DeviceIdentity, NoWindowsVersionCheckPasses) {
  EXPECT_FALSE(telemetry::IsVersionOrGreater(5, 1, 0));
  EXPECT_EQ(telemetry::OsName(), "");
}

}  // namespace
