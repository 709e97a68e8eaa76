#include "web/app-login.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "support/temp-dir.h"

namespace {

namespace fs = std::filesystem;

TEST(StartUrl, AppendsTheTextsPercentEncodedAfterTheLoginQuery) {
  const std::string login = "https://login.test/oauth2/5670?redirectUri=http://game.test/user/kvWebLogin";
  const struct {
    std::string token, from, url;
  } cases[] = {
      {"T0k", "src", login + "?qxtc=T0k&qxqd=src"},
      // Unreserved characters pass; the login address itself stays as it is.
      {"a-b.c_d~e", "Zz09", login + "?qxtc=a-b.c_d~e&qxqd=Zz09"},
      {"ab#cd", "tk&qxqd=evil", login + "?qxtc=ab%23cd&qxqd=tk%26qxqd%3Devil"},
      {"a b+c%d", "x?y/z", login + "?qxtc=a%20b%2Bc%25d&qxqd=x%3Fy%2Fz"},
      // UTF-8 bytes one by one, upper-case hexadecimal.
      {"\xe4\xb8\xad", "\n", login + "?qxtc=%E4%B8%AD&qxqd=%0A"},
      {"", "", login + "?qxtc=&qxqd="},
  };
  for (const auto& c : cases) EXPECT_EQ(web::FormatStartUrl(login, c.token, c.from), c.url);
}

TEST(StartUrl, LongTokenIsKeptWhole) {
  // The token is the login: a URL cut at some buffer size would hand the page a wrong one.
  const std::string token(3000, 't');
  const std::string url = web::FormatStartUrl("http://h/l?r=1", token, "f");
  EXPECT_EQ(url, "http://h/l?r=1?qxtc=" + token + "&qxqd=f");
}

TEST(NewWindowUrl, OnlyHttpAndHttpsGoToTheBrowser) {
  const struct {
    std::string url;
    bool opens;
  } cases[] = {
      {"http://outside.test/a?b=1", true}, {"https://outside.test/", true},
      {"HTTPS://outside.test/", true},     {"someapp://run?x=1", false},
      {"file:///etc/passwd", false},       {"data:text/html,<p>x</p>", false},
      {"javascript:alert(1)", false},      {"httpx://outside.test/", false},
      {"about:blank", false},              {"outside.test/http:", false},
      {"", false},
  };
  for (const auto& c : cases) EXPECT_EQ(web::OpensInBrowser(c.url), c.opens) << c.url;
}

TEST(ClientCommand, FormatsPathBase64WindowsAndEnd) {
  const struct {
    std::string gameDir, text;
    int winId, dialog;
    std::string line;
  } cases[] = {
      {"D:/Games/cvl", "T", 5, 1180, "D:/Games/cvl/cvlclient VA== 5 1180 end"},
      {"/g", "ab", 5, 1180, "/g/cvlclient YWI= 5 1180 end"},     // two bytes: one '='
      {"/g", "abc", 5, 1180, "/g/cvlclient YWJj 5 1180 end"},    // three bytes: none
      // Encoded from the UTF-8 bytes E4 B8 AD E6 96 87, not from UTF-16 units.
      {"/g", "\xe4\xb8\xad\xe6\x96\x87", 5, 1180, "/g/cvlclient 5Lit5paH 5 1180 end"},
      {"/g", "", 5, 1180, "/g/cvlclient (null) 5 1180 end"},
      {"/g", "a", 0, 1180, "/g/cvlclient YQ== 0 1180 end"},      // no --winid
      {"/g", "a", -7, 0, "/g/cvlclient YQ== -7 0 end"},          // no dialog
  };
  for (const auto& c : cases) {
    EXPECT_EQ(web::FormatClientCommand(c.gameDir, c.text, c.winId, c.dialog).commandLine, c.line);
  }
}

TEST(ClientCommand, ArgumentsKeepAPathWithBlanksInOnePiece) {
  const web::ClientCommand command = web::FormatClientCommand("/opt/my games", "hi", 3, 44);
  EXPECT_EQ(command.program, "/opt/my games/cvlclient");
  EXPECT_EQ(command.arguments,
            (std::vector<std::string>{"/opt/my games/cvlclient", "aGk=", "3", "44", "end"}));
  EXPECT_EQ(command.commandLine, "/opt/my games/cvlclient aGk= 3 44 end");
}

TEST(ClientCommand, LineOfMoreThan1023BytesDoesNotFit) {
  // 750 text bytes give 1000 Base64 characters; the rest of the line is the folder length + 19.
  const std::string text(750, 'x');
  const struct {
    std::string gameDir;
    size_t length;
    bool fits;
  } cases[] = {{"/gam", 1023, true}, {"/game", 1024, false}};
  for (const auto& c : cases) {
    const web::ClientCommand command = web::FormatClientCommand(c.gameDir, text, 0, 0);
    EXPECT_EQ(command.commandLine.size(), c.length);
    EXPECT_EQ(web::CommandLineFits(command), c.fits) << c.length;
  }
}

class ClientPresentTest : public ::testing::Test {
 protected:
  testing_support::TempDir folder_;
  const fs::path dir_ = folder_.path();
};

TEST_F(ClientPresentTest, FlagIsAskedBeforeTheFile) {
  const std::string client = web::ClientPath(dir_.string());
  EXPECT_EQ(client, dir_.string() + "/cvlclient");
  EXPECT_FALSE(web::ClientInstalled(dir_.string()));
  std::ofstream(client) << "#!/bin/sh\n";

  // The dialog's install decision asks the file alone: at its start no install runs yet.
  EXPECT_TRUE(web::ClientInstalled(dir_.string()));
  EXPECT_FALSE(web::ClientPresent(false, client)) << "install running: the file may be half-written";
  EXPECT_TRUE(web::ClientPresent(true, client));
  fs::remove(client);
  EXPECT_FALSE(web::ClientPresent(true, client));
  EXPECT_FALSE(web::ClientInstalled(dir_.string()));
}

}  // namespace
