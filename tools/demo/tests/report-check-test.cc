#include <gtest/gtest.h>

#include <string>

#include "tools/demo/report-check.h"

namespace {

// Digests from md5sum, so the check is held against a digest it did not compute itself.
constexpr const char* kUdid = "{0F8FAD5B-D9CB-469F-A165-70867728950E}";
constexpr const char* kSign = "8cc11e7ef163c6aeef046231f782ce4e";

std::string Body(const std::string& type, const std::string& sign = kSign,
                 const std::string& udid = kUdid) {
  return "type=" + type + "&device_model=d&os_ver=o&os_name=&mac_addr=02:42:ac:11:00:02&udid=" +
         udid + "&app_ver=1.0.0&network=wifi&platform_tag=flash_launch&sign=" + sign;
}

TEST(ReportCheck, LauncherReportIsValidAndItsValuesAreTakenAsPosted) {
  demo::ReportCheck r = demo::CheckReport(Body("close launch"));
  EXPECT_TRUE(r.well_formed) << r.problem;
  EXPECT_TRUE(r.signature_valid) << r.problem;
  EXPECT_EQ(r.type, "close launch");
  EXPECT_EQ(r.udid, kUdid);
  EXPECT_EQ(r.mac_addr, "02:42:ac:11:00:02");
  EXPECT_EQ(r.os_name, "");
  EXPECT_EQ(r.fields.size(), 10u);
  EXPECT_EQ(demo::ExpectedSignature("{8C1D8C24-3B51-4C7E-9A0E-2A7C5E1F0B33}"),
            "9022c5e72b5bdeb3b11e75eacf41edfe");
}

TEST(ReportCheck, FaultyReportsAreNamedWithTheirFault) {
  struct Case {
    std::string body;
    bool well_formed, signature_valid;
    std::string problem_part;
  };
  const std::string ok = Body("launch_start");
  const Case cases[] = {
      // signed over something else, e.g. the type joined in, or another key
      {Body("launch_start", "0123456789abcdef0123456789abcdef"), true, false, "does not match"},
      {Body("launch_start", "8CC11E7EF163C6AEEF046231F782CE4E"), false, false, "lower-case"},
      {Body("launch_start", kSign, ""), true, false, "no udid"},
      {ok.substr(0, ok.find("&sign=")), false, false, "expected 10 fields"},
      {ok + "&extra=1", false, true, "expected 10 fields"},
      {"device_model=d&type=launch_start" + ok.substr(ok.find("&os_ver")), false, true,
       "field 1 is \"device_model\""},
      {Body("launch_start").replace(ok.find("wifi"), 4, "lan"), false, true, "network=lan"},
      // URL-encoding would change the id, so the signature no longer matches
      {Body("launch_start", kSign, "%7B0F8FAD5B-D9CB-469F-A165-70867728950E%7D"), true, false,
       "does not match"},
      {"", false, false, "got 0"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.body);
    demo::ReportCheck r = demo::CheckReport(c.body);
    EXPECT_EQ(r.well_formed, c.well_formed);
    EXPECT_EQ(r.signature_valid, c.signature_valid);
    EXPECT_NE(r.problem.find(c.problem_part), std::string::npos) << r.problem;
  }
}

}  // namespace
