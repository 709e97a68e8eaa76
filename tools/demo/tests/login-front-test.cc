#include <gtest/gtest.h>

#include "tools/demo/login-front.h"

namespace {

TEST(LoginFront, LaterQuestionMarksAreEscapedAndTheOriginalTargetKept) {
  auto head = demo::RewriteRequestHead(
      "GET /oauth2/5670?redirectUri=http://h:1/user/kvWebLogin?qxtc=a%20b&qxqd=c?d HTTP/1.1\r\n"
      "Host: 127.0.0.1\r\nconnection: keep-alive\r\nX-Demo-Target: forged\r\nAccept: */*\r\n\r\n");
  ASSERT_TRUE(head);
  EXPECT_EQ(*head,
            "GET /oauth2/5670?redirectUri=http://h:1/user/kvWebLogin%3Fqxtc=a%20b&qxqd=c%3Fd "
            "HTTP/1.1\r\n"
            "Host: 127.0.0.1\r\nAccept: */*\r\nConnection: close\r\n"
            "X-Demo-Target: /oauth2/5670?redirectUri=http://h:1/user/kvWebLogin?qxtc=a%2520b"
            "&qxqd=c?d\r\n\r\n");
}

TEST(LoginFront, HeadWithoutARequestLineOfThreeWordsIsRefused) {
  for (const char* bad : {"GARBAGE\r\n\r\n", "GET  HTTP/1.1\r\n\r\n", "GET / HTTP/1.1 x\r\n\r\n",
                          "no line end"}) {
    EXPECT_FALSE(demo::RewriteRequestHead(bad)) << bad;
  }
}

}  // namespace
