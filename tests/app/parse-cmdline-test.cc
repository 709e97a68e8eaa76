#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/krn-launch.h"
#include "platform/encoding.h"
#include "support/main-log.h"
#include "support/sandbox.h"

namespace {

struct Case {
  std::wstring cmdline;
  std::int32_t winid;
  std::string from;
  std::string token;
  std::vector<std::string> log;  // what this command line logs, in order
};

std::string Line(const std::wstring& cmdline) { return "szCmdline:" + platform::WideToUtf8(cmdline); }

// Every case runs through the real logger; the log is read back once at the end.
TEST(ParseCmdLine, SetsTheLaunchParametersAndLogsEachOutcome) {
  const std::vector<Case> cases = {
      {L"", 0, "", "", {"wszCmdline is empty "}},
      {L"uninstall", 0, "", "", {}},
      {L"uninstall ", 0, "", "", {Line(L"uninstall "), "winid:0,From:,token:"}},
      {L"Uninstall", 0, "", "", {Line(L"Uninstall"), "winid:0,From:,token:"}},
      {L"--winid=12 --fromc=platform --tokenc=t0k=en", 12, "platform", "t0k=en",
       {Line(L"--winid=12 --fromc=platform --tokenc=t0k=en"), "winid:12,From:platform,token:t0k=en"}},
      {L"--winid 12 --fromc platform --tokenc t0k=en", 12, "platform", "t0k=en",
       {Line(L"--winid 12 --fromc platform --tokenc t0k=en"), "winid:12,From:platform,token:t0k=en"}},
      {L"--winid=5", 5, "", "", {Line(L"--winid=5"), "winid:5,From:,token:"}},
      {L"--winid=-2147483648 --winid=+7", 7, "", "", {Line(L"--winid=-2147483648 --winid=+7"), "winid:7,From:,token:"}},
      {L"--winid=\" 12\"", 12, "", "", {Line(L"--winid=\" 12\""), "winid:12,From:,token:"}},
      {L"--winid=12abc --fromc=abc", 0, "", "",
       {Line(L"--winid=12abc --fromc=abc"), "ParseCmdLine:option value is invalid: --winid=12abc\n"}},
      {L"--winid=2147483648 --winid=0x10 --winid=\"12 \" --winid=",
       0,
       "",
       "",
       {Line(L"--winid=2147483648 --winid=0x10 --winid=\"12 \" --winid="),
        "ParseCmdLine:option value is invalid: --winid=2147483648\noption value is invalid: --winid=0x10\n"
        "option value is invalid: --winid=12 \noption value is invalid: --winid=\n"}},
      {L"--fromc=x --winid", 0, "", "", {Line(L"--fromc=x --winid"), "ParseCmdLine:option needs value: --winid\n"}},
      {L"--fromc --tokenc last", 0, "--tokenc", "",
       {Line(L"--fromc --tokenc last"), "winid:0,From:--tokenc,token:"}},
      {L"-abc", 0, "", "",
       {Line(L"-abc"),
        "ParseCmdLine:undefined short option: -a\nundefined short option: -b\nundefined short option: -c\n"}},
      {L"- --winid=3", 3, "", "", {Line(L"- --winid=3"), "winid:3,From:,token:"}},
      {L"--=x", 0, "", "", {Line(L"--=x"), "ParseCmdLine:undefined option: --\n"}},
      {L"--foo --winid", 0, "", "",
       {Line(L"--foo --winid"), "ParseCmdLine:undefined option: --foo\noption needs value: --winid\n"}},
      {L"--winid=1  --fromc=a", 1, "a", "", {Line(L"--winid=1  --fromc=a"), "winid:1,From:a,token:"}},
      {L"--fromc=\"a b\" --tokenc=x\\\"y\\\\z", 0, "a b", "x\"y\\z",
       {Line(L"--fromc=\"a b\" --tokenc=x\\\"y\\\\z"), "winid:0,From:a b,token:x\"y\\z"}},
      {L"\"\"", 0, "", "", {Line(L"\"\""), "ParseCmdLine:argument number must be longer than 0\n"}},
      {L"--winid=1 --winid=2", 2, "", "", {Line(L"--winid=1 --winid=2"), "winid:2,From:,token:"}},
      {L"--fromc= --tokenc=t", 0, "", "t", {Line(L"--fromc= --tokenc=t"), "winid:0,From:,token:t"}},
      {L"--fromc=abc\\", 0, "", "",
       {Line(L"--fromc=abc\\"), "ParseCmdLine:unexpected occurrence of '\\' at end of string\n"}},
      {L"--fromc=\"abc", 0, "", "", {Line(L"--fromc=\"abc"), "ParseCmdLine:quote is not closed\n"}},
      {L"--fromc=平台 --tokenc=jeton\tcafé", 0, "平台", "jeton\tcafé",
       {Line(L"--fromc=平台 --tokenc=jeton\tcafé"), "winid:0,From:平台,token:jeton\tcafé"}},
  };

  testing_sandbox::Sandbox sandbox;
  const auto logs = sandbox.root() / "logs";
  testing_log::StartMainLog(logs);
  std::vector<std::string> expectedLog;
  for (const Case& c : cases) {
    CKRNLaunchApp app;
    app.m_lpCmdLine = c.cmdline;
    app.ParseCmdLine();
    const std::string shown = platform::WideToUtf8(c.cmdline);
    EXPECT_EQ(app.m_nWinId, c.winid) << shown;
    EXPECT_EQ(app.m_strFrom, c.from) << shown;
    EXPECT_EQ(app.m_strToken, c.token) << shown;
    expectedLog.insert(expectedLog.end(), c.log.begin(), c.log.end());
  }
  cvlog::Instance()->Stop();
  EXPECT_EQ(testing_log::LogTexts(logs), expectedLog);
}

}  // namespace
