#include "telemetry/md5.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using telemetry::MD5;

std::string Digest(const std::string& text) {
  MD5 md5;
  md5.Update(text);
  return md5.HexDigest();
}

// The test suite of RFC 1321, appendix A.5.
TEST(Md5, MatchesTheRfc1321Vectors) {
  const struct {
    const char* input;
    const char* digest;
  } kVectors[] = {
      {"", "d41d8cd98f00b204e9800998ecf8427e"},
      {"a", "0cc175b9c0f1b6a831c399e269772661"},
      {"abc", "900150983cd24fb0d6963f7d28e17f72"},
      {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
      {"abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
      {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789", "d174ab98d277d9f5a5611c2c9f419d9f"},
      {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
       "57edf4a22be3c955ac49da2e2107b67a"},
  };
  for (const auto& v : kVectors) EXPECT_EQ(Digest(v.input), v.digest) << '"' << v.input << '"';
}

// Block boundaries must not matter: the same 80-byte vector fed in pieces of every size.
TEST(Md5, PieceSizesDoNotChangeTheDigest) {
  const std::string text = "12345678901234567890123456789012345678901234567890123456789012345678901234567890";
  for (std::size_t piece = 1; piece <= text.size(); ++piece) {
    MD5 md5;
    for (std::size_t at = 0; at < text.size(); at += piece) md5.Update(text.substr(at, piece));
    EXPECT_EQ(md5.HexDigest(), "57edf4a22be3c955ac49da2e2107b67a") << "pieces of " << piece;
  }
}

// A digest read part-way leaves the message open. The prefixes cover a partial block whose padding
// fits (3 bytes) and ones whose padding spills into a second block (56 and 63 bytes).
TEST(Md5, UpdateAfterHexDigestContinuesTheMessage) {
  const std::string text = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
  for (std::size_t split : {3u, 56u, 61u}) {
    MD5 md5;
    md5.Update(text.substr(0, split));
    EXPECT_EQ(md5.HexDigest(), Digest(text.substr(0, split)));
    EXPECT_EQ(md5.HexDigest(), Digest(text.substr(0, split))) << "a second read changes nothing";
    md5.Update(text.substr(split));
    EXPECT_EQ(md5.HexDigest(), "d174ab98d277d9f5a5611c2c9f419d9f") << "split at " << split;
  }
}

}  // namespace
