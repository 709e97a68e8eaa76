#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "cvlog-fixtures.h"
#include "util/cvlog/config-text.h"
#include "util/cvlog/log-manager.h"

namespace {

using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStdout;

void WriteText(const cvlog_test::fs::path& path, const std::string& text) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
}

TEST(ConfigText, TheLaunchersTextConfiguresTheMainLogger) {
  cvlog::LogManager manager("cvl_qx");
  ASSERT_TRUE(manager.ConfigFromText("[Main] \npath = ./cvl/logs/ \nname=log \nfileline = 0 \n"));
  const cvlog::LoggerEntry& main = manager.Entry(0);
  EXPECT_EQ(manager.LookupLogger("Main"), 0);
  EXPECT_EQ(main.name, "log");
  EXPECT_EQ(main.path, "./cvl/logs/");
  EXPECT_FALSE(main.fileline);
  EXPECT_EQ(main.level, cvlog::LOG_DEBUG);
  EXPECT_TRUE(main.display);
  EXPECT_TRUE(main.outfile);
  EXPECT_FALSE(main.monthdir);
  EXPECT_EQ(main.limitsize, 100u);
  EXPECT_TRUE(main.enable);
  EXPECT_EQ(manager.ActiveLoggerCount(), 1);
}

TEST(ConfigText, MainInAnyCaseOrPaddingIsLoggerZero) {
  for (const char* header : {"[MAIN]", "[main]", "[ Main ]", "\xEF\xBB\xBF[Main]", "[[main]]"}) {
    SCOPED_TRACE(header);
    cvlog::LogManager manager("p");
    manager.ConfigFromText((std::string(header) + "\nname=configured\n").c_str());
    EXPECT_EQ(manager.Entry(0).name, "configured");
    EXPECT_EQ(manager.ActiveLoggerCount(), 1);
  }
  cvlog::LogManager manager("p");
  manager.ConfigFromText("[Mainx]\n");
  EXPECT_EQ(manager.LookupLogger("Mainx"), 1);
  EXPECT_EQ(manager.Entry(1).name, "Mainx");
}

TEST(ConfigText, AttributeValues) {
  struct Case {
    const char* lines;
    int level;
    bool display;
    std::uint32_t limitsize;
  };
  const std::vector<Case> cases = {
      {"level = Warning", 3, true, 100},
      {"level=trace", 0, true, 100},
      {"level=ALL", 0, true, 100},
      {"level=info", 2, true, 100},
      {"level=warn", 3, true, 100},
      {"level=error", 4, true, 100},
      {"level=alarm", 5, true, 100},
      {"level=fatal", 6, true, 100},
      {"level=error\nlevel=verbose", 4, true, 100},
      {"display=no", 1, true, 100},
      {"display", 1, true, 100},
      {"display=0", 1, false, 100},
      {"DISPLAY = FALSE", 1, false, 100},
      {"limitsize=5", 1, true, 5},
      {"limitsize=0", 1, true, 0xFFFFFFFFu},
      {"limitsize=lots", 1, true, 0xFFFFFFFFu},
      {"limitsize=99999999999", 1, true, 2147483647u},
      {"colour=red\nreserve=3600", 1, true, 100},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.lines);
    cvlog::LogManager manager("p");
    manager.ConfigFromText((std::string("[Main]\n") + c.lines + "\n").c_str());
    const cvlog::LoggerEntry& main = manager.Entry(0);
    EXPECT_EQ(main.level, c.level);
    EXPECT_EQ(main.display, c.display);
    EXPECT_EQ(main.limitsize, c.limitsize);
    EXPECT_EQ(main.reserveTime, 0);  // a "reserve" line is read but not passed on
  }
}

TEST(ConfigText, PathAndNameKeepTheirCaseAndEmptyOnesKeepTheCurrentValue) {
  cvlog::LogManager manager("p");
  manager.ConfigFromText("[Main]\npath = C:\\Logs\nname = MyLog\n");
  EXPECT_EQ(manager.Entry(0).path, "C:\\Logs/");
  EXPECT_EQ(manager.Entry(0).name, "MyLog");
  manager.ConfigFromText("[Main]\npath =\nname=\n");
  EXPECT_EQ(manager.Entry(0).path, "C:\\Logs/");
  EXPECT_EQ(manager.Entry(0).name, "MyLog");
}

TEST(ConfigText, WarningsNameTheLineCountingBothEndsOfCrLf) {
  CaptureStdout();
  cvlog::ParseConfigText("level=info\r\n[a]\r\n[b]\r\n[a]\r\n# comment\r\n=x\r\n");
  EXPECT_EQ(cvlog_test::CapturedConsole(),
            "cvlog configure warning: not found current logger name:[] at line:1, key=level, value=info \r\n"
            "cvlog configure warning: duplicate logger key:[a] at line: 7 \r\n");
}

TEST(ConfigText, LinesAfterADuplicateSectionStillGoToIt) {
  const cvlog::ConfigTable table = cvlog::ParseConfigText("[a]\nlevel=info\n[b]\n[a]\nname=second\n");
  ASSERT_EQ(table.size(), 2u);
  EXPECT_EQ(table.at("a").level, 2);
  EXPECT_EQ(table.at("a").name, "second");
}

TEST(ConfigText, NewLoggersTakeIdsInByteOrderOfTheirNames) {
  cvlog::LogManager manager("p");
  manager.ConfigFromText("[b]\n[a]\n[B]\n");
  EXPECT_EQ(manager.LookupLogger("B"), 1);
  EXPECT_EQ(manager.LookupLogger("a"), 2);
  EXPECT_EQ(manager.LookupLogger("b"), 3);
}

TEST(ConfigText, TheSameTextTwiceChangesNothingTheSecondTime) {
  cvlog::LogManager manager("p");
  const char* text = "[Main]\nlevel=info\n";
  ASSERT_TRUE(manager.ConfigFromText(text));
  manager.SetLevel(0, cvlog::LOG_ERROR);
  EXPECT_TRUE(manager.ConfigFromText(text));
  EXPECT_EQ(manager.Entry(0).level, cvlog::LOG_ERROR);
}

// Swapping two values leaves the byte sum as it was; the text has still changed.
TEST(ConfigText, AChangedTextWithTheSameByteSumIsApplied) {
  cvlog::LogManager manager("p");
  manager.ConfigFromText("[a]\nlevel=info\n[b]\nlevel=warn\n");
  manager.ConfigFromText("[a]\nlevel=warn\n[b]\nlevel=info\n");
  EXPECT_EQ(manager.Entry(manager.LookupLogger("a")).level, cvlog::LOG_WARN);
  EXPECT_EQ(manager.Entry(manager.LookupLogger("b")).level, cvlog::LOG_INFO);
}

TEST(ConfigText, ReloadResetsUnmentionedAttributesAndCreatesNoLogger) {
  cvlog_test::TempDir dir;
  const auto file = dir.path() / "log.conf";
  WriteText(file, "[Main]\nlevel=error\n[a]\nlevel=warn\n");
  cvlog::LogManager manager("p");
  ASSERT_TRUE(manager.Config(file.string().c_str()));
  EXPECT_EQ(manager.Entry(0).level, cvlog::LOG_ERROR);

  WriteText(file, "[Main]\nname=renamed\n[a]\nlevel=fatal\n[c]\n");
  ASSERT_TRUE(manager.ReloadConfig());
  EXPECT_EQ(manager.Entry(0).level, cvlog::LOG_DEBUG);
  EXPECT_EQ(manager.Entry(0).name, "renamed");
  EXPECT_EQ(manager.Entry(1).level, cvlog::LOG_FATAL);
  EXPECT_EQ(manager.LookupLogger("c"), -1);
}

TEST(ConfigText, ConfigFileErrors) {
  cvlog_test::TempDir dir;
  const std::string missing = (dir.path() / "missing.conf").string();
  cvlog::LogManager manager("p");
  EXPECT_FALSE(manager.ReloadConfig());

  CaptureStdout();
  EXPECT_FALSE(manager.Config(missing.c_str()));
  EXPECT_EQ(cvlog_test::CapturedConsole(), " !!! !!! !!! !!!\r\n !!! !!! cvlog load config file error. filename=" + missing +
                                     "  !!! !!! \r\n !!! !!! !!! !!!\r\n");

  // The first call stored its path although the file was missing: the second is refused.
  CaptureStdout();
  EXPECT_FALSE(manager.Config("other.conf"));
  EXPECT_EQ(cvlog_test::CapturedConsole(), " !!! !!! !!! !!!\r\n !!! !!! cvlog configure error: too many calls to Config. the old "
                                 "config file=" + missing + ",  the new config file=other.conf !!! !!! \r\n"
                                 " !!! !!! !!! !!!\r\n");
  CaptureStdout();
  EXPECT_FALSE(manager.ReloadConfig());
  EXPECT_NE(cvlog_test::CapturedConsole().find("load config file error"), std::string::npos);
}

TEST(ConfigText, TooManyLoggersSkipsOnlyTheOnesThatDoNotFit) {
  std::string text;
  for (char c = 'a'; c <= 'z'; ++c) text += std::string("[") + c + "]\nlevel=warn\n";
  cvlog::LogManager manager("p");
  CaptureStdout();
  EXPECT_TRUE(manager.ConfigFromText(text.c_str()));
  cvlog_test::CapturedConsole();
  EXPECT_EQ(manager.ActiveLoggerCount(), cvlog::LOGGER_MAX);
  EXPECT_EQ(manager.LookupLogger("s"), 19);
  EXPECT_EQ(manager.Entry(19).level, cvlog::LOG_WARN);
  EXPECT_EQ(manager.LookupLogger("t"), -1);
}

}  // namespace
