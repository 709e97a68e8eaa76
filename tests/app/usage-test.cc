// Asking the launcher or the uninstaller for its usage or its version prints and does nothing
// else, in an installed folder whose home, settings and registry would show any write.
#include <signal.h>
#include <sys/stat.h>

#include <gtest/gtest.h>

#include <chrono>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/registry.h"
#include "support/child-process.h"
#include "support/files.h"
#include "support/sandbox.h"
#include "uninst/uninstall.h"

namespace {

namespace fs = std::filesystem;
using testing_support::ReadFile;
using testing_support::WriteFile;

// Every entry below `root` with its kind, size, permissions and modification time.
std::map<std::string, std::string> Tree(const fs::path& root) {
  std::map<std::string, std::string> tree;
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    struct stat info {};
    ::lstat(entry.path().c_str(), &info);
    tree[fs::relative(entry.path(), root).string()] =
        std::to_string(info.st_mode) + " " + std::to_string(info.st_size) + " " +
        std::to_string(info.st_mtim.tv_sec) + "." + std::to_string(info.st_mtim.tv_nsec);
  }
  return tree;
}

TEST(InfoRequest, PrintsAndLeavesFolderHomeAndRegistryAsTheyWere) {
  const std::string usage_qx = "Usage: cvl_qx [--winid ID] [--fromc TEXT] [--tokenc TEXT]\n";
  const std::string usage_uninst = "Usage: uninst\n";
  const struct {
    const char* program;
    std::vector<std::string> args;
    std::string starts;  // the whole output when `whole`
    bool whole;
    int code = 0;
  } kCases[] = {
      {CVL_QX, {"--version"}, "cvl_qx (Corvela launcher) " CVL_PROJECT_VERSION "\n", true},
      {CVL_QX, {"--help"}, usage_qx, false},
      {CVL_QX, {"-h"}, usage_qx, false},
      {CVL_UNINST_PROGRAM, {"--version"}, "uninst (Corvela uninstaller) " CVL_PROJECT_VERSION "\n", true},
      {CVL_UNINST_PROGRAM, {"--help"}, usage_uninst, false},
      {CVL_UNINST_PROGRAM, {"-h"}, usage_uninst, false},
      // Not a lone request: the launcher's own command line, which here meets no display.
      {CVL_QX, {"--help", "--version"}, "cvl_qx: no X11 display", false, 1},
  };
  for (const auto& c : kCases) {
    std::string what = c.program;
    for (const std::string& arg : c.args) what += " " + arg;
    testing_sandbox::Sandbox sandbox;
    sandbox.Set("XDG_DATA_HOME", (sandbox.home() / ".local/share").string());
    sandbox.Set("XDG_CACHE_HOME", (sandbox.home() / ".cache").string());
    // An installation for the uninstaller to delete and a launcher to start in, were either to go on.
    WriteFile(sandbox.work() / "cvl/7za.so", "plug-in");
    WriteFile(sandbox.work() / "cvl_qx", "launcher");
    WriteFile(sandbox.home() / "Desktop/Corvela.desktop", "[Desktop Entry]\n");
    WriteFile(sandbox.home() / ".local/share/applications/io.corvela.Launcher.desktop", "[Desktop Entry]\n");
    ASSERT_TRUE(platform::RegistryKey::Create(platform::RegistryRoot::CurrentUser, uninst::kUninstallKey));
    const fs::path output = sandbox.root() / "output";
    const auto before = Tree(sandbox.root());

    // No display either: the launcher leaves before it looks for one.
    std::vector<std::string> env;
    for (const std::string& var : testing_support::CurrentEnvironment()) {
      if (!var.starts_with("DISPLAY=") && !var.starts_with("WAYLAND_DISPLAY=")) env.push_back(var);
    }
    std::vector<std::string> argv = {c.program};
    argv.insert(argv.end(), c.args.begin(), c.args.end());
    const pid_t child = testing_support::Spawn(argv, env, sandbox.work(), output);
    ASSERT_GT(child, 0) << what;
    const std::optional<int> code = testing_support::WaitForExit(child, std::chrono::seconds(30));
    if (!code) ::kill(child, SIGKILL), ::waitpid(child, nullptr, 0);

    const std::string printed = ReadFile(output);
    EXPECT_EQ(code, c.code) << what << "\n" << printed;
    if (c.whole) {
      EXPECT_EQ(printed, c.starts) << what;
    } else {
      EXPECT_TRUE(printed.starts_with(c.starts) && printed.ends_with("\n")) << what << "\n" << printed;
    }
    fs::remove(output);
    // The uninstaller's script, the log folder, the lock and the registry values would all show.
    EXPECT_EQ(Tree(sandbox.root()), before) << what;
  }
}

}  // namespace
