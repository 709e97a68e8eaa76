#include "web/base64.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(Base64, EncodesEveryGroupLengthAndHighBytes) {
  const struct {
    std::string bytes;
    std::string encoded;
  } cases[] = {
      {"", ""},
      {"f", "Zg=="},
      {"fo", "Zm8="},
      {"foo", "Zm9v"},
      {"foob", "Zm9vYg=="},
      {"fooba", "Zm9vYmE="},
      {"foobar", "Zm9vYmFy"},
      {std::string("\0", 1), "AA=="},
      // Bytes above 0x7f must not sign-extend into the neighbouring sextets.
      {"\xff\xfe", "//4="},
      {"\xfb\xff\xbf", "+/+/"},
  };
  for (const auto& c : cases) EXPECT_EQ(web::Base64Encode(c.bytes), c.encoded) << c.encoded;
}

TEST(Base64, LongInputHasNoLineBreaks) {
  const std::string encoded = web::Base64Encode(std::string(300, 'x'));
  EXPECT_EQ(encoded.size(), 400u);
  EXPECT_EQ(encoded.find_first_of("\r\n"), std::string::npos);
}

}  // namespace
