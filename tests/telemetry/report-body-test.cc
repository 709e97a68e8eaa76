#include "telemetry/report-body.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(ReportBody, HoldsTheFieldsUnencodedAndSignsTheIdWithTheKey) {
  const std::string id = "{0123ABCD-0000-4000-8000-00000000BEEF}";
  EXPECT_EQ(telemetry::ReportBody("close launch", "", "", id),
            "type=close launch&device_model=d&os_ver=o&os_name=&mac_addr=&udid=" + id +
                "&app_ver=1.0.0&network=wifi&platform_tag=flash_launch&sign=" + telemetry::ReportSign(id));
  // md5("{0123ABCD-0000-4000-8000-00000000BEEF}Zq5LmR8tVw2NcX7bKd4HyP9fGs3JnT6e")
  EXPECT_EQ(telemetry::ReportSign(id), "869cc9f2933a4d50ba346afb7b3cef08");
}

}  // namespace
