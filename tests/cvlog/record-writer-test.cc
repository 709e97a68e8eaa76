#include <gtest/gtest.h>

#include <climits>
#include <functional>
#include <string>
#include <vector>

#include "util/cvlog/cvlog.h"

namespace {

struct WriterCase {
  const char* what;
  size_t room;
  std::function<void(cvlog::RecordWriter&)> write;
  std::string expected;
};

TEST(RecordWriter, WritesWithinItsRoomAndNeverPastIt) {
  const std::vector<WriterCase> cases = {
      {"text is cut at the end", 5, [](auto& w) { w.text("abcdefg", 7); }, "abcde"},
      {"a character needs two bytes of room", 1, [](auto& w) { w.character('x'); }, ""},
      {"a character in two bytes", 2, [](auto& w) { w.character('x'); }, "x"},
      {"a number needs more than 64 bytes", 64, [](auto& w) { w.number(42); }, ""},
      {"a number in 65 bytes", 65, [](auto& w) { w.number(42); }, "42"},
      {"zero fill up to the width", 100, [](auto& w) { w.number(7, 3); }, "007"},
      {"a width below the digits", 100, [](auto& w) { w.number(1234, 2); }, "1234"},
      {"zero", 100, [](auto& w) { w.number(0); }, "0"},
      {"base 16 in upper case", 100, [](auto& w) { w.number(0xABC, 0, 16); }, "ABC"},
      {"other bases in lower case", 100, [](auto& w) { w.number(8, 0, 8); }, "10"},
      {"base 2", 100, [](auto& w) { w.number(5, 4, 2); }, "0101"},
      {"a base that cannot be is taken as 10", 100, [](auto& w) { w.number(12, 0, 0); }, "12"},
      {"negative", 100, [](auto& w) { w.signedNumber(-42); }, "-42"},
      {"the most negative", 100, [](auto& w) { w.signedNumber(LLONG_MIN); }, "-9223372036854775808"},
      {"a pointer shows every digit", 100, [](auto& w) { w.pointer(reinterpret_cast<void*>(0x12AB)); },
       std::string(2 * sizeof(void*) - 4, '0') + "12AB"},
      {"pieces in order", 100, [](auto& w) { cvlog::AppendPieces(w, "id=", 5, ' ', std::string("x"), -1, 7u, true); },
       "id=5 x-17true"},
  };
  for (const WriterCase& c : cases) {
    SCOPED_TRACE(c.what);
    std::string buffer(c.room + 8, '#');
    cvlog::RecordWriter w(buffer.data(), buffer.data() + c.room);
    c.write(w);
    EXPECT_EQ(buffer.substr(0, w.length()), c.expected);
    EXPECT_EQ(buffer.substr(c.room), std::string(8, '#'));  // nothing past the end
  }
}

TEST(RecordWriter, HugeWidthStaysWithinTheRoomANumberIsGuaranteed) {
  std::string buffer(80, '#');
  cvlog::RecordWriter w(buffer.data(), buffer.data() + 70);
  w.number(5, 1000);
  EXPECT_EQ(w.length(), 64u);
  EXPECT_EQ(buffer.substr(0, 64), std::string(63, '0') + "5");
  EXPECT_EQ(buffer.substr(70), std::string(10, '#'));
}

}  // namespace
