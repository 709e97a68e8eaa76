#include "web/process-start.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

namespace {

namespace fs = std::filesystem;

std::string WaitForFile(const fs::path& path) {
  for (int i = 0; i < 500; ++i) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    // The recorder writes its last line "done" after everything else.
    if (text.str().find("done\n") != std::string::npos) return text.str();
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return {};
}

class StartProgramTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/cvl-web-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir_ = fs::path(pattern) / "my games";
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_.parent_path()); }

  // A client that records each argument on a line, its directory and one variable it inherited.
  fs::path WriteRecorder() {
    const fs::path program = dir_ / "cvlclient";
    std::ofstream(program) << "#!/bin/sh\n"
                              "out=\"$(dirname \"$0\")/args\"\n"
                              "for a in \"$0\" \"$@\"; do echo \"$a\"; done > \"$out.tmp\"\n"
                              "pwd >> \"$out.tmp\"\n"
                              "echo \"$CVL_WEB_TEST_MARK\" >> \"$out.tmp\"\n"
                              "echo done >> \"$out.tmp\"\n"
                              "mv \"$out.tmp\" \"$out\"\n";
    fs::permissions(program, fs::perms::owner_all);
    return program;
  }

  fs::path dir_;
};

TEST_F(StartProgramTest, ClientGetsItsWordsInTheLaunchersDirectoryAndEnvironment) {
  const fs::path program = WriteRecorder();
  setenv("CVL_WEB_TEST_MARK", "inherited", 1);
  ASSERT_EQ(web::StartProgram(program, {program, "aGk=", "5", "1180", "end"}), 0);

  const std::string expected = program.string() + "\naGk=\n5\n1180\nend\n" +
                               fs::current_path().string() + "\ninherited\ndone\n";
  EXPECT_EQ(WaitForFile(dir_ / "args"), expected);
}

TEST_F(StartProgramTest, MissingClientReportsTheError) {
  const fs::path program = dir_ / "cvlclient";
  EXPECT_EQ(web::StartProgram(program, {program, "x", "0", "0", "end"}), ENOENT);
}

}  // namespace
