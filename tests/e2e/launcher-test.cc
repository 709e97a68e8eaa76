// The launcher's whole job, watched from outside: what the demo server received, what landed on
// disk, what the game client was started with, what the log says and what the windows do.
#include <algorithm>
#include <cstdio>
#include <optional>
#include <regex>
#include <sstream>
#include <thread>

#include "e2e/launcher-fixture.h"
#include "web/base64.h"

namespace e2e {
namespace {

constexpr const char* kWebMessageCaption = "来自网页的消息";  // the box of AppLogin during the install

// A package of a few megabytes, paced so that it is still arriving when the case acts.
const std::vector<std::string> kSlowPackage = {"--filler-bytes", "2000000", "--rate", "150000"};

class Launcher : public LauncherTest {};

class FirstRun : public LauncherTest {
 protected:
  // Runs the launcher in the empty install folder until the install has finished and the page
  // has loaded, logs `user` in, and expects the launcher to end with 0. Returns the dialog's
  // window id as the launcher saw it.
  unsigned long InstallAndLogIn(const std::vector<std::string>& args, const std::string& user) {
    Process launcher = Launch(args);
    unsigned long window = WaitForWindow(kTitle);
    EXPECT_NE(window, 0u) << LauncherOutput();
    EXPECT_TRUE(WaitForEvent("decode_end")) << LauncherOutput();
    EXPECT_TRUE(WaitForEvent("web_load"));
    // The worker's last line comes just before it marks the install finished.
    EXPECT_TRUE(WaitUntil([&] { return LogHas("7z decode end2"); }, 10s));
    std::this_thread::sleep_for(200ms);
    Login(user);
    if (HasFatalFailure()) return 0;
    EXPECT_EQ(launcher.WaitExit(20s), std::optional<int>(0)) << LauncherOutput();
    EXPECT_TRUE(WaitUntil([&] { return fs::exists(game_ / "cvlclient.args"); }, 10s));
    return window;
  }
};

TEST_F(FirstRun, InstallsTheGameAndStartsTheClientWithThePagesText) {
  ASSERT_NO_FATAL_FAILURE(StartServer());
  const std::string user = "Ada 玩家";
  unsigned long window = InstallAndLogIn({"--winid", "1180", "--fromc", "src", "--tokenc", "tok"}, user);
  ASSERT_NE(window, 0u);
  const fs::path home = dir_ / "home";
  const std::string install = fs::canonical(install_).string();
  const std::string game = game_.string();

  // Deployment, download and unpacking.
  EXPECT_TRUE(fs::is_regular_file(install_ / "cvl" / "7za.so"));
  EXPECT_NE(fs::status(install_ / "uninst").permissions() & fs::perms::owner_exec, fs::perms::none);
  EXPECT_NE(ReadFile(home / "Desktop" / "Corvela.desktop").find("Exec="), std::string::npos);
  EXPECT_EQ(ReadFile(install_ / "cvl" / kPackageName), ReadFile(server_dir_ / kPackageName))
      << "the package file must hold exactly what the server sent";
  EXPECT_TRUE(fs::exists(game_ / "data" / "说明.txt"));
  EXPECT_EQ(fs::file_size(game_ / "data" / "world.bin"), 300000u);
  auto downloads = Record("download");
  ASSERT_EQ(downloads.size(), 1u);
  EXPECT_EQ(downloads[0]["complete"], true);
  EXPECT_NE(LauncherOutput().find("download CURLcode:0\n"), std::string::npos);

  // The page was opened at the start URL with the token and the source.
  const std::string start_url = "/oauth2/5670?redirectUri=http://127.0.0.1:" +
                                std::to_string(port_) + "/user/kvWebLogin?qxtc=tok&qxqd=src";
  auto requests = Record("request");
  EXPECT_TRUE(std::any_of(requests.begin(), requests.end(), [&](const nlohmann::json& r) {
    return r["host"] == "login" && r["target"] == start_url && r["status"] == 200;
  })) << "no request for " << start_url;

  // The client: the exact command line, its Base64 giving back the page's text, started in the
  // launcher's folder.
  const std::string command_line =
      game + "/cvlclient " + web::Base64Encode(user) + " 1180 " + std::to_string(window) + " end";
  EXPECT_EQ(ReadFile(game_ / "cvlclient.args"), command_line + "\n");
  EXPECT_EQ(ReadFile(game_ / "cvlclient.text"), user);
  EXPECT_EQ(ReadFile(game_ / "cvlclient.cwd"), install + "\n");

  // The reports: start first, the install's four in order, the page, the game, the close last.
  auto events = Record("event");
  std::vector<std::string> types = EventTypes();
  ASSERT_EQ(types.size(), 8u) << testing::PrintToString(types);
  EXPECT_EQ(types.front(), "launch_start");
  EXPECT_EQ(types[6], "game_start");
  EXPECT_EQ(types[7], "close launch");
  std::vector<std::string> middle(types.begin() + 1, types.begin() + 6);
  EXPECT_EQ(std::count(middle.begin(), middle.end(), "web_load"), 1);
  std::erase(middle, "web_load");
  EXPECT_EQ(middle, (std::vector<std::string>{"download_start", "download_end", "decode_start",
                                              "decode_end"}));
  for (const auto& e : events) {
    EXPECT_TRUE(e["signature_valid"] == true && e["well_formed"] == true)
        << e["type"] << ": " << e["problem"];
  }

  // The log, thread by thread: the main thread from "work:" to "close launch", the worker's
  // steps, and the monitor's samples ending where the download did.
  auto lines = LogLines();
  ASSERT_FALSE(lines.empty());
  const std::string main_thread = lines.front().thread;
  std::map<std::string, std::vector<std::string>> by_thread;
  for (const auto& line : lines) by_thread[line.thread].push_back(line.text);
  EXPECT_EQ(by_thread[main_thread],
            (std::vector<std::string>{
                "work:" + install,
                "cfg check start",
                "check path:" + game,
                "check gamePath:http://127.0.0.1:" + std::to_string(port_) +
                    "/package/brindle/corvela-demo.7z",
                "check packageName:./cvl/corvela-demo.7z",
                "cfg check end",
                "szCmdline:--winid 1180 --fromc src --tokenc tok",
                "winid:1180,From:src,token:tok",
                "Source:src,wszPathLink:" + (home / "Desktop" / "Corvela.desktop").string(),
                "AppLogin Start Game",
                command_line,
                "AppLogin Start End",
                "close launch",
            }));
  ASSERT_EQ(by_thread.size(), 3u) << "the main thread, the install worker and the monitor";
  const std::vector<std::string> worker_steps = {
      "download start", "download end", "7z decode start",
      " packageName:./cvl/corvela-demo.7z, path:" + game, "7z decode end", "7z decode end2"};
  std::vector<std::string> monitor;
  for (auto& [thread, texts] : by_thread) {
    if (thread == main_thread) continue;
    if (texts.front() == "download start") {
      EXPECT_EQ(texts, worker_steps);
    } else {
      monitor = texts;
    }
  }
  ASSERT_FALSE(monitor.empty());
  static const std::regex kSample(R"(m_ulnow:(\d+),m_ultotal:(\d+))");
  for (const auto& text : monitor) EXPECT_TRUE(std::regex_match(text, kSample)) << text;
  std::smatch last;
  ASSERT_TRUE(std::regex_match(monitor.back(), last, kSample));
  EXPECT_EQ(last[1], last[2]) << "the monitor ends when the counters meet";
}

TEST_F(FirstRun, SecondRunDownloadsNothingAndWritesNothingNew) {
  ASSERT_NO_FATAL_FAILURE(StartServer());
  ASSERT_NE(InstallAndLogIn({"--fromc", "src", "--tokenc", "tok"}, "Ada"), 0u);
  const size_t events_before = Record("event").size();
  const size_t requests_before = Record("request").size();
  const std::string registry_before = ReadFile(dir_ / "registry" / "HKEY_LOCAL_MACHINE.reg");
  auto written_by_launcher = [&](const fs::path& root) {
    auto files = Snapshot(root);
    std::erase_if(files, [](const auto& f) {
      return f.first.rfind("cvl/logs/", 0) == 0 || f.first.rfind("game/cvlclient.", 0) == 0;
    });
    return files;
  };
  const auto install_before = written_by_launcher(install_);
  // The web engine keeps its caches under the home; the launcher writes only the desktop and
  // menu entries and the icon.
  const auto desktop_before = Snapshot(dir_ / "home" / "Desktop");
  const fs::path data = dir_ / "home/.local/share";
  const auto menu_before = Snapshot(data / "applications");
  const auto icons_before = Snapshot(data / "icons");
  ASSERT_FALSE(menu_before.empty());
  ASSERT_FALSE(icons_before.empty());

  Process launcher = Launch({"--fromc", "src", "--tokenc", "tok"}, "second.out");
  ASSERT_NE(WaitForWindow(kTitle), 0u) << LauncherOutput("second.out");
  ASSERT_TRUE(WaitUntil([&] { return Record("event").size() >= events_before + 2; }, 30s));
  ASSERT_NO_FATAL_FAILURE(Login("Bob"));
  ASSERT_EQ(launcher.WaitExit(20s), std::optional<int>(0)) << LauncherOutput("second.out");
  ASSERT_TRUE(WaitUntil([&] { return ReadFile(game_ / "cvlclient.text") == "Bob"; }, 10s));

  std::vector<std::string> types = EventTypes();
  EXPECT_EQ(std::vector<std::string>(types.begin() + static_cast<long>(events_before), types.end()),
            (std::vector<std::string>{"launch_start", "web_load", "game_start", "close launch"}));
  auto requests = Record("request");
  for (size_t i = requests_before; i < requests.size(); ++i) {
    EXPECT_EQ(requests[i]["target"].get<std::string>().find(kPackageName), std::string::npos)
        << "the second run asked for the package: " << requests[i]["target"];
  }
  EXPECT_EQ(written_by_launcher(install_), install_before);
  EXPECT_EQ(Snapshot(dir_ / "home" / "Desktop"), desktop_before);
  EXPECT_EQ(Snapshot(data / "applications"), menu_before);
  EXPECT_EQ(Snapshot(data / "icons"), icons_before);
  EXPECT_EQ(ReadFile(dir_ / "registry" / "HKEY_LOCAL_MACHINE.reg"), registry_before);
  auto lines = LogLines();
  auto count = [&](const std::string& text) {
    return std::count_if(lines.begin(), lines.end(), [&](const LogLine& l) { return l.text == text; });
  };
  EXPECT_EQ(count("work:" + fs::canonical(install_).string()), 2);
  EXPECT_EQ(count("download start"), 1);
  EXPECT_EQ(count("close launch"), 2);
  EXPECT_EQ(LauncherOutput("second.out").find("download"), std::string::npos);
}

// The output of `command`; empty when it cannot be run.
std::string CommandOutput(const std::string& command) {
  std::string output;
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return output;
  char buffer[512];
  for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) output.append(buffer, n);
  pclose(pipe);
  return output;
}

// The value of `key` in a desktop entry's text, or nothing.
std::optional<std::string> EntryValue(const std::string& entry, const std::string& key) {
  std::istringstream lines(entry);
  for (std::string line; std::getline(lines, line);) {
    if (line.starts_with(key + "=")) return line.substr(key.size() + 1);
  }
  return std::nullopt;
}

TEST_F(Launcher, TheMenuEntryNamesTheWindowsClassAndTheInstalledIcon) {
  ASSERT_NO_FATAL_FAILURE(StartServer());
  Process launcher = Launch({});
  unsigned long window = WaitForWindow(kTitle);
  ASSERT_NE(window, 0u) << LauncherOutput();

  // WM_CLASS(STRING) = "<name>", "<class>": desktops match StartupWMClass against the class.
  const std::string xprop = CommandOutput("xprop -id " + std::to_string(window) + " WM_CLASS");
  std::smatch wm_class;
  ASSERT_TRUE(std::regex_search(xprop, wm_class, std::regex(R"re(WM_CLASS\(STRING\) = "([^"]*)", "([^"]*)")re"))) << xprop;
  const fs::path data = dir_ / "home/.local/share";
  const fs::path menu_entry = data / "applications/io.corvela.Launcher.desktop";
  const fs::path desktop_entry = dir_ / "home/Desktop/Corvela.desktop";
  const std::string entry = ReadFile(menu_entry);
  EXPECT_EQ(EntryValue(entry, "StartupWMClass"), wm_class[2].str()) << entry;
  EXPECT_EQ(ReadFile(desktop_entry), entry);

  const std::optional<std::string> icon = EntryValue(entry, "Icon");
  ASSERT_TRUE(icon) << entry;
  EXPECT_EQ(ReadFile(data / "icons/hicolor/64x64/apps" / (*icon + ".png")), ReadFile(CVL_ICON_ART));
  for (const fs::path& written : {menu_entry, desktop_entry}) {
    const std::string said = CommandOutput("desktop-file-validate '" + written.string() + "' 2>&1; echo status $?");
    EXPECT_EQ(said, "status 0\n") << written;
  }

  ASSERT_TRUE(WaitUntil([&] { return LogHas("7z decode end2"); }, 30s));
  ASSERT_TRUE(PressKey(window, "Escape"));
  EXPECT_EQ(launcher.WaitExit(15s), std::optional<int>(0)) << LauncherOutput();
}

TEST_F(Launcher, SecondStartRaisesTheFirstAndLeavesWithoutALogLine) {
  ASSERT_NO_FATAL_FAILURE(StartServer());
  Process first = Launch({});
  unsigned long window = WaitForWindow(kTitle);
  ASSERT_NE(window, 0u) << LauncherOutput();
  ASSERT_TRUE(WaitForEvent("web_load"));
  ASSERT_TRUE(WaitUntil([&] { return LogHas("7z decode end2"); }, 30s));
  std::this_thread::sleep_for(300ms);  // the monitor's last sample
  unsigned long cover = x_.OpenCover(1920, 1080);
  ASSERT_TRUE(x_.StackedAbove(cover, window));
  const auto logs_before = Snapshot(install_ / "cvl" / "logs");
  std::string log_text_before;
  for (const auto& f : LogFiles()) log_text_before += ReadFile(f);

  Process second = Launch({}, "second.out");
  EXPECT_EQ(second.WaitExit(15s), std::optional<int>(0)) << LauncherOutput("second.out");
  EXPECT_TRUE(WaitUntil([&] { return x_.StackedAbove(window, cover); }, 5s))
      << "the first launcher's window was not raised";
  EXPECT_TRUE(first.Running());
  EXPECT_EQ(Snapshot(install_ / "cvl" / "logs").size(), logs_before.size());
  std::string log_text_after;
  for (const auto& f : LogFiles()) log_text_after += ReadFile(f);
  EXPECT_EQ(log_text_after, log_text_before);
  EXPECT_EQ(LauncherOutput("second.out").find("LOG_"), std::string::npos)
      << LauncherOutput("second.out");
  auto types = EventTypes();
  EXPECT_EQ(std::count(types.begin(), types.end(), "launch_start"), 1);

  x_.CloseCover(cover);
  ASSERT_TRUE(PressKey(window, "Escape"));
  EXPECT_EQ(first.WaitExit(15s), std::optional<int>(0));
}

TEST_F(Launcher, EscDuringTheDownloadEndsCleanlyAndLeavesThePartialPackage) {
  ASSERT_NO_FATAL_FAILURE(StartServer(kSlowPackage));
  Process launcher = Launch({});
  unsigned long window = WaitForWindow(kTitle);
  ASSERT_NE(window, 0u) << LauncherOutput();
  const fs::path package = install_ / "cvl" / kPackageName;
  ASSERT_TRUE(WaitUntil(
      [&] {
        std::error_code ec;
        return fs::file_size(package, ec) > 0 && !ec;
      },
      30s));

  ASSERT_TRUE(PressKey(window, "Escape"));
  EXPECT_EQ(launcher.WaitExit(15s), std::optional<int>(0)) << LauncherOutput();
  const auto full = fs::file_size(server_dir_ / kPackageName);
  const auto partial = fs::file_size(package);
  EXPECT_GT(partial, 0u);
  EXPECT_LT(partial, full) << "the download should still have been running";
  EXPECT_EQ(ReadFile(package), ReadFile(server_dir_ / kPackageName).substr(0, partial));
  ASSERT_TRUE(WaitForEvent("close launch", 5s));
  auto types = EventTypes();
  EXPECT_EQ(types.back(), "close launch");
  EXPECT_EQ(std::count(types.begin(), types.end(), "decode_start"), 0);
  ASSERT_FALSE(LogLines().empty());
  EXPECT_EQ(LogLines().back().text, "close launch");
  EXPECT_TRUE(WaitUntil([&] { return !Record("download").empty(); }, 10s));
  EXPECT_EQ(Record("download").at(0)["complete"], false);
}

TEST_F(Launcher, AppLoginDuringTheDownloadShowsTheBoxAndStartsNothing) {
  ASSERT_NO_FATAL_FAILURE(StartServer(kSlowPackage));
  Process launcher = Launch({});
  unsigned long window = WaitForWindow(kTitle);
  ASSERT_NE(window, 0u) << LauncherOutput();
  ASSERT_TRUE(WaitForEvent("web_load"));
  ASSERT_TRUE(WaitForEvent("download_start"));
  ASSERT_NO_FATAL_FAILURE(Login("Ada"));

  unsigned long box = WaitForWindow(kWebMessageCaption, 15s);
  ASSERT_NE(box, 0u) << "no box titled " << kWebMessageCaption;
  EXPECT_FALSE(HasEvent("download_end")) << "the download should still be running";
  ASSERT_TRUE(PressKey(box, "Return"));
  ASSERT_TRUE(WaitUntil([&] { return LogHas("AppLogin file does not exist paht"); }, 10s));
  EXPECT_TRUE(LogHas("wszExePath:" + game_.string() + "/cvlclient"));
  EXPECT_FALSE(LogHas("AppLogin Start Game"));
  // The page starts over: a second request for the start URL at the login host.
  EXPECT_TRUE(WaitUntil(
      [&] {
        auto requests = Record("request");
        return std::count_if(requests.begin(), requests.end(), [](const nlohmann::json& r) {
                 return r["host"] == "login" &&
                        r["target"].get<std::string>().rfind("/oauth2/5670", 0) == 0;
               }) == 2;
      },
      10s));
  EXPECT_TRUE(launcher.Running());
  EXPECT_EQ(x_.FirstViewableWindow(kWebMessageCaption), 0u);

  ASSERT_TRUE(PressKey(window, "Escape"));
  EXPECT_EQ(launcher.WaitExit(15s), std::optional<int>(0)) << LauncherOutput();
  EXPECT_FALSE(fs::exists(game_ / "cvlclient.args"));
  EXPECT_FALSE(HasEvent("game_start"));
}

TEST_F(Launcher, PackageAnswered404ShowsTheArchiveErrorBoxThenCloses) {
  ASSERT_NO_FATAL_FAILURE(StartServer({"--package-fault", "404"}));
  Process launcher = Launch({});
  unsigned long window = WaitForWindow(kTitle);
  ASSERT_NE(window, 0u) << LauncherOutput();

  unsigned long box = WaitForWindow(kNoticeCaption, 30s);
  ASSERT_NE(box, 0u) << "no box titled " << kNoticeCaption << "\n" << LauncherOutput();
  EXPECT_NE(LauncherOutput().find("download CURLcode:0\n"), std::string::npos)
      << "an HTTP error status is a finished transfer";
  EXPECT_NE(ReadFile(install_ / "cvl" / kPackageName).find("Not Found"), std::string::npos)
      << "the error page lands in the package file";
  // The log writer works on its own thread: give it a moment.
  EXPECT_TRUE(WaitUntil([&] { return LogHas("7z decode start"); }, 5s));
  EXPECT_FALSE(LogHas("7z decode end"));
  EXPECT_TRUE(HasEvent("decode_start"));
  EXPECT_FALSE(HasEvent("decode_end"));
  EXPECT_FALSE(fs::exists(game_ / "cvlclient"));

  ASSERT_TRUE(PressKey(box, "Return"));
  ASSERT_TRUE(WaitUntil([&] { return x_.FirstViewableWindow(kNoticeCaption) == 0; }, 10s));
  // Once the box is gone the install counts as finished: the close button closes at once.
  std::this_thread::sleep_for(300ms);
  ASSERT_TRUE(Click(window, kCloseX, kCloseY));
  EXPECT_EQ(launcher.WaitExit(15s), std::optional<int>(0)) << LauncherOutput();
  EXPECT_TRUE(WaitForEvent("close launch", 5s));
}

TEST_F(Launcher, RefusedPackageConnectionShowsTheErrorBoxAndTheNextStartDownloads) {
  ASSERT_NO_FATAL_FAILURE(StartServer({"--package-fault", "refused"}));
  Process launcher = Launch({});
  unsigned long window = WaitForWindow(kTitle);
  ASSERT_NE(window, 0u) << LauncherOutput();
  ASSERT_TRUE(WaitForEvent("download_end"));
  EXPECT_NE(LauncherOutput().find("download CURLcode:7\n"), std::string::npos) << LauncherOutput();
  ASSERT_NO_FATAL_FAILURE(ExpectDownloadErrorBoxThenClose(launcher, window));
  ASSERT_NO_FATAL_FAILURE(ExpectNextStartInstalls());
}

}  // namespace
}  // namespace e2e
