#include "app/cmdopt.h"

#include <gtest/gtest.h>

#include <functional>

#include <string>
#include <vector>

#include "app/command-line.h"
#include "platform/encoding.h"

namespace {

std::string ThrownMessage(const std::function<void()>& call) {
  try {
    call();
  } catch (const cmdopt::cmdopt_error& e) {
    return e.what();
  }
  return "(nothing thrown)";
}

TEST(Cmdopt, MistakesOfTheRegisteringProgramThrow) {
  cmdopt::parser p;
  p.add<std::int32_t>("winid", 0, false, 0);
  EXPECT_EQ(ThrownMessage([&] { p.add<std::string>("winid"); }), "multiple definition: winid");
  EXPECT_EQ(ThrownMessage([&] { p.get<std::int32_t>("window"); }), "there is no flag: --window");
  EXPECT_EQ(ThrownMessage([&] { p.get<std::string>("winid"); }), "type mismatch flag 'winid'");
}

TEST(Cmdopt, DefaultsHoldUntilAnOptionIsGiven) {
  cmdopt::parser p;
  p.add<std::int32_t>("count", 0, false, 42);
  p.add<std::string>("name", 0, false, "none");
  ASSERT_TRUE(p.parse("--name=x"));
  EXPECT_EQ(p.get<std::int32_t>("count"), 42);
  EXPECT_EQ(p.get<std::string>("name"), "x");
}

TEST(Cmdopt, RequiredOptionsAreReportedInNameOrder) {
  cmdopt::parser p;
  p.add<std::string>("zeta", 0, true);
  p.add<std::string>("alpha", 0, true);
  p.add<std::string>("given", 0, true);
  EXPECT_FALSE(p.parse("--given=1"));
  EXPECT_EQ(p.error_text(), "need option: --alpha\nneed option: --zeta\n");
}

TEST(Cmdopt, ShortLettersTakeTheNextWordOnlyAsTheLastLetter) {
  cmdopt::parser p;
  p.add<std::int32_t>("level", 'l');
  p.add<std::string>("output", 'o');
  ASSERT_TRUE(p.parse("-o out.txt -l 3 stray"));
  EXPECT_EQ(p.get<std::string>("output"), "out.txt");
  EXPECT_EQ(p.get<std::int32_t>("level"), 3);
  EXPECT_EQ(p.rest(), std::vector<std::string>{"stray"});

  // A letter before the last gets no value, and every option here needs one.
  EXPECT_FALSE(p.parse("-lo file"));
  EXPECT_EQ(p.error_text(), "option needs value: --level\n");
  EXPECT_EQ(p.get<std::string>("output"), "file");
  EXPECT_FALSE(p.parse("-o"));
  EXPECT_EQ(p.error_text(), "option needs value: --output\n");
}

TEST(Cmdopt, TwoOptionsWithOneShortLetterAreAmbiguous) {
  cmdopt::parser p;
  p.add<std::string>("verbose", 'v');
  p.add<std::string>("version", 'v');
  EXPECT_FALSE(p.parse("anything"));
  EXPECT_EQ(p.error_text(), "short option 'v' is ambiguous\n");
}

TEST(Cmdopt, EachParseStartsAfresh) {
  cmdopt::parser p;
  p.add<std::string>("name");
  EXPECT_FALSE(p.parse("--bad one"));
  EXPECT_TRUE(p.parse("two  three"));
  EXPECT_EQ(p.error_text(), "");
  EXPECT_EQ(p.rest(), (std::vector<std::string>{"two", "", "three"}));
}

// The joined command line splits back into the very arguments the process received.
TEST(JoinCommandLine, SplitsBackIntoTheSameArguments) {
  const std::vector<const char*> argv = {"/opt/corvela/cvl_qx", "plain", "a b",   "q\"uote", "back\\slash",
                                         "tab\tkept",           "平台",  "",      "end\\",   "\"",
                                         "--fromc=x y"};
  const std::wstring joined = JoinCommandLine(static_cast<int>(argv.size()), argv.data());
  EXPECT_EQ(platform::WideToUtf8(joined),
            "plain \"a b\" \"q\\\"uote\" \"back\\\\slash\" tab\tkept 平台  \"end\\\\\" \"\\\"\" \"--fromc=x y\"");

  cmdopt::parser p;
  p.add<std::string>("fromc");
  ASSERT_TRUE(p.parse(platform::WideToUtf8(joined))) << p.error_text();
  EXPECT_EQ(p.rest(), std::vector<std::string>(argv.begin() + 1, argv.end() - 1));
  EXPECT_EQ(p.get<std::string>("fromc"), "x y");
}

TEST(JoinCommandLine, NoArgumentsGiveAnEmptyLine) {
  const char* argv[] = {"cvl_qx"};
  EXPECT_EQ(JoinCommandLine(1, argv), L"");
}

}  // namespace
