#include "platform/encoding.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// The wide literals hold one wchar_t per character where wchar_t is 4 bytes and a surrogate pair
// for U+1F600 where it is 2, so the same table holds on both systems.
TEST(Encoding, utf8AndWideRoundTripEveryPlane) {
  struct Case {
    const char* utf8;
    const wchar_t* wide;
  };
  const Case cases[] = {
      {"", L""},
      {"plain", L"plain"},
      {"\xC3\xA9t\xC3\xA9", L"\u00E9t\u00E9"},
      {"\xE2\x82\xAC 5", L"\u20AC 5"},
      {"\xF0\x9F\x98\x80!", L"\U0001F600!"},
      {"\xF4\x8F\xBF\xBF", L"\U0010FFFF"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(platform::Utf8ToWide(c.utf8), c.wide) << c.utf8;
    EXPECT_EQ(platform::WideToUtf8(c.wide), c.utf8) << c.utf8;
  }
}

TEST(Encoding, surrogatePairsJoinAndLoneHalvesBecomeQuestionMarks) {
  const std::wstring pair{static_cast<wchar_t>(0xD83D), static_cast<wchar_t>(0xDE00)};
  EXPECT_EQ(platform::WideToUtf8(pair), "\xF0\x9F\x98\x80");
  EXPECT_EQ(platform::WideToUtf8(pair.substr(0, 1) + L"x"), "?x");
  EXPECT_EQ(platform::WideToUtf8(L"x" + pair.substr(1)), "x?");
  EXPECT_EQ(platform::WideToUtf16(pair), u"\U0001F600");
  EXPECT_EQ(platform::WideToUtf16(L"\U0001F600"), u"\U0001F600");
}

TEST(Encoding, malformedUtf8BecomesOneQuestionMarkPerByte) {
  struct Case {
    const char* utf8;
    const wchar_t* wide;
  };
  const Case cases[] = {
      {"a\xFF" "b", L"a?b"},
      {"\xC3", L"?"},                 // cut short
      {"\xC0\xAF", L"??"},            // overlong '/'
      {"\xED\xA0\x80", L"???"},       // an encoded surrogate
      {"\xF4\x90\x80\x80", L"????"},  // beyond U+10FFFF
  };
  for (const Case& c : cases) EXPECT_EQ(platform::Utf8ToWide(c.utf8), c.wide) << c.utf8;
}

}  // namespace
