#include "platform/detached-process.h"
#include "platform/process-environment.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <set>
#include <sstream>
#include <string>
#include <thread>

#include "support/temp-dir.h"

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

// A child that has ended and been collected is gone from /proc; an uncollected one stays there
// as a zombie for as long as its parent lives.
bool GoneWithin(pid_t pid, std::chrono::seconds limit) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (fs::exists("/proc/" + std::to_string(pid))) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return true;
}

class StartProcessTest : public ::testing::Test {
 protected:
  void SetUp() override { fs::create_directories(dir_); }

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

  testing_support::TempDir folder_;
  const fs::path dir_ = folder_.path() / "my games";
};

TEST_F(StartProcessTest, ClientGetsItsWordsInTheLaunchersDirectoryAndEnvironment) {
  const fs::path program = WriteRecorder();
  setenv("CVL_WEB_TEST_MARK", "inherited", 1);
  ASSERT_EQ(platform::StartProcess(program, {program, "aGk=", "5", "1180", "end"}), 0);

  const std::string expected = program.string() + "\naGk=\n5\n1180\nend\n" +
                               fs::current_path().string() + "\ninherited\ndone\n";
  EXPECT_EQ(WaitForFile(dir_ / "args"), expected);
}

// The launcher forces some variables for itself (the toolkit's backend); the programs it starts
// see them as the launcher was given them, set or not.
TEST_F(StartProcessTest, OverriddenVariablesReachTheChildAsTheLauncherWasGivenThem) {
  setenv("CVL_TEST_GIVEN", "wayland", 1);
  unsetenv("CVL_TEST_ABSENT");
  platform::OverrideForThisProcess("CVL_TEST_GIVEN", "x11");
  platform::OverrideForThisProcess("CVL_TEST_ABSENT", "x11");
  platform::OverrideForThisProcess("CVL_TEST_GIVEN", "again");
  EXPECT_STREQ(std::getenv("CVL_TEST_GIVEN"), "again");
  EXPECT_STREQ(std::getenv("CVL_TEST_ABSENT"), "x11");

  const std::string out = (dir_ / "env").string();
  const std::string script = "echo \"${CVL_TEST_GIVEN}|${CVL_TEST_ABSENT-unset}\" > '" + out +
                             ".tmp'; echo done >> '" + out + ".tmp'; mv '" + out + ".tmp' '" + out + "'";
  ASSERT_EQ(platform::StartProcess("/bin/sh", {"/bin/sh", "-c", script}), 0);
  EXPECT_EQ(WaitForFile(out), "wayland|unset\ndone\n");
}

TEST_F(StartProcessTest, MissingClientReportsTheError) {
  const fs::path program = dir_ / "cvlclient";
  EXPECT_EQ(platform::StartProcess(program, {program, "x", "0", "0", "end"}), ENOENT);
}

// Descriptors that a library left open without close-on-exec: a file, a pipe and a socket pair.
TEST_F(StartProcessTest, ChildrenGetOnlyTheStandardStreamsAndAreCollected) {
  int pipeEnds[2], socketEnds[2];
  ASSERT_EQ(pipe(pipeEnds), 0);
  ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM, 0, socketEnds), 0);
  const int file = open("/dev/null", O_RDONLY);
  ASSERT_GE(file, 0);

  // The shell's own descriptors; the one the glob read the folder with is closed by now.
  const std::string listing = "exec > '" + (dir_ / "fds.tmp").string() +
                              "'\necho $$\nfor f in /proc/$$/fd/*; do [ -e \"$f\" ] && echo \"${f##*/}\"; done\n"
                              "mv '" + (dir_ / "fds.tmp").string() + "' '" + (dir_ / "fds").string() +
                              "'\necho done >> '" + (dir_ / "fds").string() + "'\n";
  const struct {
    const char* name;
    std::function<bool()> start;
  } starts[] = {
      {"client", [&] { return platform::StartProcess("/bin/sh", {"/bin/sh", "-c", listing}) == 0; }},
      {"detached", [&] { return platform::StartDetached({"sh", "-c", listing}); }},
  };
  for (const auto& start : starts) {
    SCOPED_TRACE(start.name);
    fs::remove(dir_ / "fds");
    ASSERT_TRUE(start.start());
    std::istringstream lines(WaitForFile(dir_ / "fds"));
    pid_t pid = 0;
    ASSERT_TRUE(lines >> pid);
    std::set<std::string> descriptors;
    for (std::string word; lines >> word && word != "done";) descriptors.insert(word);
    EXPECT_EQ(descriptors, (std::set<std::string>{"0", "1", "2"}));
    EXPECT_TRUE(GoneWithin(pid, std::chrono::seconds(10))) << "left as a zombie";
  }
  for (int fd : {pipeEnds[0], pipeEnds[1], socketEnds[0], socketEnds[1], file}) close(fd);
}

}  // namespace
