#include <gtest/gtest.h>
#include <gtk/gtk.h>
#include <unistd.h>
#include <webkit2/webkit2.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "install/install-worker.h"
#include "telemetry/report-queue.h"
#include "page-server.h"
#include "support/temp-dir.h"
#include "test-host.h"
#include "util/cvlog/main-logger.h"
#include "web/base-html-view.h"
#include "web/base64.h"

namespace {

namespace fs = std::filesystem;

PageServer* g_server = nullptr;
// The program's scratch folder: the log and every case's game folder.
std::optional<testing_support::TempDir> g_scratchDir;
fs::path g_scratch;

// One server for the whole program: the statistics address is read once, when the first report
// creates the download engine. The "Main" logger writes into the scratch folder throughout.
class WebEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    ASSERT_TRUE(gtk_init_check(nullptr, nullptr)) << "no X display";
    g_server = new PageServer;
    setenv("CVL_STRING_154", g_server->Url("/log/log").c_str(), 1);
    g_scratch = g_scratchDir.emplace().path();
    cvlog::ILogManager* manager = cvlog::Instance();
    const std::string config = "[Main]\npath = " + (g_scratch / "logs").string() +
                               "/\nname=web\ndisplay = 0\nfileline = 0\n";
    ASSERT_TRUE(manager->ConfigFromText(config.c_str()));
    cvlog::g_nLogId = manager->LookupLogger("Main");
    ASSERT_TRUE(manager->Start());
  }
  void TearDown() override {
    cvlog::Instance()->Stop();
    delete g_server;
    g_scratchDir.reset();
  }
};

std::string Logged() {
  std::string text;
  std::error_code error;
  for (const auto& file : fs::recursive_directory_iterator(g_scratch / "logs", error)) {
    if (!file.is_regular_file()) continue;
    std::ifstream in(file.path(), std::ios::binary);
    std::stringstream content;
    content << in.rdbuf();
    text += content.str();
  }
  return text;
}

// Waits until the log, from `offset` on, holds `lines` (each a whole line's text) in this order.
::testing::AssertionResult LoggedInOrder(size_t offset, const std::vector<std::string>& lines) {
  std::string log;
  auto inOrder = [&] {
    log = Logged().substr(std::min(offset, Logged().size()));
    size_t at = 0;
    for (const std::string& line : lines) {
      at = log.find(" " + line + "\r\n", at);
      if (at == std::string::npos) return false;
    }
    return true;
  };
  if (WaitUntil(inOrder, 5)) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "log:\n" << log;
}
const auto* const g_environment = ::testing::AddGlobalTestEnvironment(new WebEnvironment);

std::vector<std::string> ReadLines(const fs::path& path) {
  std::ifstream in(path);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

void WriteScript(const fs::path& path, const std::string& body) {
  std::ofstream(path) << "#!/bin/sh\n" << body;
  fs::permissions(path, fs::perms::owner_all);
}

// The last line of a fake program's script: the shell becomes one that writes its pid and then
// its open descriptors into `dir`/fds.<pid> (the script's own descriptor is close-on-exec; the
// one the glob reads the folder with is closed by the time it is tested).
std::string ListDescriptorsInto(const fs::path& dir) {
  return "exec sh -c 'exec > \"$0.tmp\"; echo $$; "
         "for f in /proc/$$/fd/*; do [ -e \"$f\" ] && echo \"${f##*/}\"; done; "
         "mv \"$0.tmp\" \"$0\"' '" + dir.string() + "/fds.'$$\n";
}

// The fds.<pid> files that ListDescriptorsInto left in `dir`: the descriptors each program had,
// and whether the program, once ended, was collected (gone from /proc, not a zombie).
struct ChildSeen {
  std::vector<std::string> descriptors;
  bool collected = false;
};
std::vector<ChildSeen> ChildrenSeen(const fs::path& dir) {
  std::vector<ChildSeen> children;
  for (const auto& entry : fs::directory_iterator(dir)) {
    const std::string name = entry.path().filename().string();
    if (name.rfind("fds.", 0) != 0 || name.find(".tmp") != std::string::npos) continue;
    std::vector<std::string> lines = ReadLines(entry.path());
    if (lines.empty()) continue;
    ChildSeen child;
    child.descriptors.assign(lines.begin() + 1, lines.end());
    const fs::path proc = "/proc/" + lines[0];
    child.collected = WaitUntil([&] { return !fs::exists(proc); }, 10);
    children.push_back(child);
  }
  return children;
}

size_t CountChildFiles(const fs::path& dir) {
  size_t count = 0;
  for (const auto& entry : fs::directory_iterator(dir)) {
    const std::string name = entry.path().filename().string();
    if (name.rfind("fds.", 0) == 0 && name.find(".tmp") == std::string::npos) ++count;
  }
  return count;
}

void ExpectOnlyStandardStreamsAndCollected(const fs::path& dir, size_t children) {
  const std::vector<ChildSeen> seen = ChildrenSeen(dir);
  EXPECT_EQ(seen.size(), children);
  for (const ChildSeen& child : seen) {
    EXPECT_EQ(child.descriptors, (std::vector<std::string>{"0", "1", "2"}));
    EXPECT_TRUE(child.collected) << "left as a zombie";
  }
}

long Count(const std::vector<std::string>& items, const std::string& item) {
  return std::count(items.begin(), items.end(), item);
}

struct MessageBoxSeen {
  int count = 0;
  std::string title, text;
  GtkMessageType type = GTK_MESSAGE_OTHER;
  // When set, boxes stay up until it holds: a case can keep a box open until the page has done
  // what it must do beside it.
  bool (*ready)() = nullptr;
};

// Dismisses every message box the view shows, as the player would, noting what it said.
gboolean DismissMessageBoxes(gpointer data) {
  auto* seen = static_cast<MessageBoxSeen*>(data);
  if (seen->ready != nullptr && !seen->ready()) return G_SOURCE_CONTINUE;
  GList* windows = gtk_window_list_toplevels();
  for (GList* item = windows; item; item = item->next) {
    if (!GTK_IS_MESSAGE_DIALOG(item->data) || !gtk_widget_get_mapped(GTK_WIDGET(item->data))) continue;
    ++seen->count;
    seen->title = gtk_window_get_title(GTK_WINDOW(item->data));
    gchar* text = nullptr;
    g_object_get(item->data, "text", &text, "message-type", &seen->type, nullptr);
    seen->text = text ? text : "";
    g_free(text);
    gtk_dialog_response(GTK_DIALOG(item->data), GTK_RESPONSE_OK);
  }
  g_list_free(windows);
  return G_SOURCE_CONTINUE;
}

class HtmlViewTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // A report of the case before must not land among this one's.
    ASSERT_TRUE(telemetry::WaitForReports(std::chrono::seconds(60)));
    g_server->Reset();
    gameDir_ = g_scratch / ::testing::UnitTest::GetInstance()->current_test_info()->name();
    fs::create_directories(gameDir_);
    values_ = {"tok", "src", gameDir_.string(), 1180};
    g_bInstallFinished = true;
  }

  void Open(CBaseHtmlView& view, TestHost& host, const std::string& page) {
    setenv("CVL_STRING_148", g_server->LoginUrl(page).c_str(), 1);
    ASSERT_TRUE(view.CreateInDialog(&host));
  }

  // A game client that records its argv, one word a line, then "done", and then its
  // descriptors.
  fs::path InstallRecordingClient() {
    const fs::path client = gameDir_ / "cvlclient";
    WriteScript(client,
                "for a in \"$0\" \"$@\"; do echo \"$a\"; done > \"$0.args.tmp\"\n"
                "echo done >> \"$0.args.tmp\"\n"
                "mv \"$0.args.tmp\" \"$0.args\"\n" +
                    ListDescriptorsInto(gameDir_));
    return client;
  }

  // A desktop URL handler first on PATH that records each URL, a line each, and then its
  // descriptors. The returned object puts PATH back.
  std::shared_ptr<void> InstallRecordingXdgOpen(const fs::path& opened) {
    const fs::path bin = gameDir_ / "bin";
    fs::create_directories(bin);
    WriteScript(bin / "xdg-open", "echo \"$1\" >> '" + opened.string() + "'\n" + ListDescriptorsInto(gameDir_));
    const std::string path = std::getenv("PATH");
    setenv("PATH", (bin.string() + ":" + path).c_str(), 1);
    return std::shared_ptr<void>(nullptr, [path](void*) { setenv("PATH", path.c_str(), 1); });
  }

  // What the player was shown while an AppLogin call was refused, and the handle of the window
  // the page ran in.
  struct Refusal {
    MessageBoxSeen boxes;
    std::int32_t windowHandle = 0;
  };

  // Opens the AppLogin page in a dialog of its own, dismissing every message box as the player
  // would, and checks what every refused call shares: the page hears false and starts over, and
  // the dialog stays.
  void RunRefusedAppLogin(Refusal& refusal) {
    const guint dismisser = g_timeout_add(100, DismissMessageBoxes, &refusal.boxes);
    // However this ends, the dismisser must not outlive the record it writes into.
    const std::shared_ptr<void> stopDismissing(nullptr, [dismisser](void*) { g_source_remove(dismisser); });
    CBaseHtmlView view(values_);
    TestHost host;
    Open(view, host, "applogin");
    refusal.windowHandle = host.WindowHandle();
    ASSERT_TRUE(WaitUntil([] { return !g_server->Answers("result").empty(); }));
    EXPECT_EQ(g_server->Answers("result"), std::vector<std::string>{"boolean:false"});
    EXPECT_TRUE(WaitUntil([] { return g_server->Requests("/page/applogin").size() == 2; }));
    RunFor(0.5);
    EXPECT_EQ(host.destroyRequests, 0);
  }

  fs::path gameDir_;
  CBaseHtmlView::StartValues values_;
};

TEST_F(HtmlViewTest, WithoutPlaceholderNoViewIsMade) {
  CBaseHtmlView view(values_);
  TestHost host(TestHost::Options{.placeholder = false});
  setenv("CVL_STRING_148", g_server->LoginUrl("plain").c_str(), 1);
  EXPECT_FALSE(view.CreateInDialog(&host));
  EXPECT_EQ(view.WebView(), nullptr);
  RunFor(0.5);
  EXPECT_TRUE(g_server->Requests("/page/plain").empty());
}

TEST_F(HtmlViewTest, TakesThePlaceholdersPlaceAndLoadsTheStartUrl) {
  values_.token = "tok en";
  CBaseHtmlView view(values_);
  TestHost host;
  Open(view, host, "plain");
  EXPECT_EQ(view.StartUrl(), g_server->LoginUrl("plain") + "?qxtc=tok%20en&qxqd=src");
  EXPECT_EQ(host.placeholder(), nullptr) << "placeholder 1009 destroyed";

  ASSERT_TRUE(WaitUntil([&] { return host.raised == 1; }));
  GtkAllocation place;
  gtk_widget_get_allocation(GTK_WIDGET(view.WebView()), &place);
  EXPECT_EQ(gtk_widget_get_parent(GTK_WIDGET(view.WebView())), GTK_WIDGET(host.ClientArea()));
  EXPECT_EQ((std::vector<int>{place.x, place.y, place.width, place.height}),
            (std::vector<int>{497, 132, 645, 438}));

  const auto requests = g_server->Requests("/page/plain");
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].params, (std::map<std::string, std::string>{{"qxtc", "tok en"}, {"qxqd", "src"}}));
  EXPECT_TRUE(WaitUntil([] { return Count(g_server->Events(), "web_load") == 1; }));
}

TEST_F(HtmlViewTest, TokenAndSourceArriveAtTheLoginServerAsTheyWereGiven) {
  const struct {
    std::string token, from;
  } cases[] = {
      {"ab#cd", "tk&qxqd=evil"},
      {"a%2Bb+c=d?e", "x y&z=1#f"},
      {"令牌 中文", "来源?=&#%+"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.token);
    g_server->Reset();
    values_.token = c.token;
    values_.from = c.from;
    CBaseHtmlView view(values_);
    TestHost host;
    Open(view, host, "plain");
    ASSERT_TRUE(WaitUntil([] { return !g_server->Requests("/page/plain").empty(); }));
    EXPECT_EQ(g_server->Requests("/page/plain")[0].params,
              (std::map<std::string, std::string>{{"qxtc", c.token}, {"qxqd", c.from}}));
    WaitUntil([&] { return host.raised == 1; });
  }
}

TEST_F(HtmlViewTest, EveryDocumentIncludingFramesRaisesTheDialogAndReportsOnce) {
  CBaseHtmlView view(values_);
  TestHost host;
  Open(view, host, "frames");
  // The top page, frame a, frame b and the frame inside b.
  ASSERT_TRUE(WaitUntil([&] { return host.raised == 4; }));
  RunFor(1);
  EXPECT_EQ(host.raised, 4);
  EXPECT_TRUE(WaitUntil([] { return Count(g_server->Events(), "web_load") == 4; }));
  EXPECT_EQ(g_server->Events().size(), 4u);
}

TEST_F(HtmlViewTest, AppLoginStartsTheClientAndAnswersTrue) {
  const fs::path client = InstallRecordingClient();
  const std::string text = "player 中文";
  g_server->SetLoginText(text);
  const size_t logOffset = Logged().size();
  CBaseHtmlView view(values_);
  TestHost host;
  Open(view, host, "applogin");

  ASSERT_TRUE(WaitUntil([&] { return fs::exists(client.string() + ".args"); }));
  EXPECT_EQ(ReadLines(client.string() + ".args"),
            (std::vector<std::string>{client.string(), web::Base64Encode(text), "1180",
                                      std::to_string(host.WindowHandle()), "end", "done"}));
  ASSERT_TRUE(WaitUntil([] { return !g_server->Answers("result").empty(); }));
  EXPECT_EQ(g_server->Answers("result"), std::vector<std::string>{"boolean:true"});
  EXPECT_EQ(host.destroyRequests, 1);
  // The page is started over before the dialog goes.
  EXPECT_TRUE(WaitUntil([] { return g_server->Requests("/page/applogin").size() == 2; }));
  EXPECT_EQ(Count(g_server->Events(), "game_start"), 1);
  EXPECT_TRUE(LoggedInOrder(logOffset, {"AppLogin Start Game",
                                        client.string() + " " + web::Base64Encode(text) + " 1180 " +
                                            std::to_string(host.WindowHandle()) + " end",
                                        "AppLogin Start End"}));

  // Only AppLogin is on window.external, in the top page and in its frames.
  ASSERT_TRUE(WaitUntil([] { return !g_server->Answers("frame").empty(); }));
  EXPECT_EQ(g_server->Answers("typeof"), std::vector<std::string>{"function,undefined,undefined"});
  EXPECT_EQ(g_server->Answers("frame"), std::vector<std::string>{"function"});

  // Of the launcher's log file, server sockets and web engine pipes, the client got none.
  ASSERT_TRUE(WaitUntil([&] { return CountChildFiles(gameDir_) == 1; }));
  ExpectOnlyStandardStreamsAndCollected(gameDir_, 1);
}

TEST_F(HtmlViewTest, ClientStartDestroysTheDialogAndTheViewOutlivesIt) {
  const fs::path client = InstallRecordingClient();
  g_server->SetLoginText("x");
  CBaseHtmlView view(values_);
  TestHost host(TestHost::Options{.destroyOnRequest = true});
  Open(view, host, "applogin");
  ASSERT_TRUE(WaitUntil([&] { return host.window() == nullptr; }));
  EXPECT_EQ(view.WebView(), nullptr);
  EXPECT_TRUE(WaitUntil([&] { return fs::exists(client.string() + ".args"); }));
  RunFor(0.5);
}

TEST_F(HtmlViewTest, ClientNotReadyShowsTheBoxStartsNothingAndStartsThePageOver) {
  const struct {
    const char* name;
    bool installFinished;
    bool clientFile;
  } cases[] = {{"during the install, file already there", false, true},
               {"install over, no client", true, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    g_server->Reset();
    fs::path client = InstallRecordingClient();
    if (!c.clientFile) fs::remove(client);
    g_bInstallFinished = c.installFinished;
    g_server->SetLoginText("player");
    const size_t logOffset = Logged().size();
    Refusal refusal;
    ASSERT_NO_FATAL_FAILURE(RunRefusedAppLogin(refusal));
    const MessageBoxSeen& seen = refusal.boxes;
    EXPECT_EQ(seen.count, 1);
    EXPECT_EQ(seen.title, "来自网页的消息");
    EXPECT_EQ(seen.text, "游戏正在下载");
    EXPECT_EQ(seen.type, GTK_MESSAGE_WARNING);
    EXPECT_FALSE(fs::exists(client.string() + ".args"));
    EXPECT_EQ(Count(g_server->Events(), "game_start"), 0);
    EXPECT_TRUE(LoggedInOrder(logOffset, {"wszExePath:" + client.string(),
                                          "AppLogin file does not exist paht"}));
  }
}

TEST_F(HtmlViewTest, CommandLineOver1023BytesShowsTheBoxStartsNothingAndStartsThePageOver) {
  const fs::path client = InstallRecordingClient();
  g_server->SetLoginText(std::string(800, 'x'));
  const size_t logOffset = Logged().size();
  Refusal refusal;
  ASSERT_NO_FATAL_FAILURE(RunRefusedAppLogin(refusal));
  EXPECT_FALSE(fs::exists(client.string() + ".args"));
  EXPECT_EQ(Count(g_server->Events(), "game_start"), 0);
  // 800 bytes give 1068 Base64 characters; the path and the other words come on top.
  const size_t length = client.string().size() + 1 + 1068 + std::string(" 1180 ").size() +
                        std::to_string(refusal.windowHandle).size() + 4;
  EXPECT_TRUE(LoggedInOrder(logOffset, {"AppLogin Start Game",
                                        "AppLogin command line too long, client not started: " +
                                            std::to_string(length) + " bytes"}));
  // The player hears of it as of a client that is not there yet.
  EXPECT_EQ(refusal.boxes.count, 1);
  EXPECT_EQ(refusal.boxes.title, "来自网页的消息");
  EXPECT_EQ(refusal.boxes.text, "游戏正在下载");
}

TEST_F(HtmlViewTest, SecondAppLoginWhileTheFirstShowsItsBoxAnswersFalseAndDoesNothing) {
  InstallRecordingClient();
  g_bInstallFinished = false;
  g_server->SetLoginText("player", 2);
  const size_t logOffset = Logged().size();
  MessageBoxSeen seen;
  // The first call's box stays up until the second call has answered beside it.
  seen.ready = [] { return !g_server->Answers("result").empty(); };
  const guint dismisser = g_timeout_add(300, DismissMessageBoxes, &seen);
  {
    CBaseHtmlView view(values_);
    TestHost host;
    Open(view, host, "applogin");
    ASSERT_TRUE(WaitUntil([] { return g_server->Answers("result").size() == 2; }));
    RunFor(1);
    EXPECT_EQ(g_server->Answers("result"), (std::vector<std::string>{"boolean:false", "boolean:false"}));
    EXPECT_EQ(g_server->Requests("/page/applogin").size(), 2u) << "the page starts over once";
    EXPECT_EQ(host.destroyRequests, 0);
  }
  g_source_remove(dismisser);
  EXPECT_EQ(seen.count, 1);
  const std::string log = Logged().substr(logOffset);
  size_t notThere = 0;
  for (size_t at = log.find("AppLogin file does not exist paht"); at != std::string::npos;
       at = log.find("AppLogin file does not exist paht", at + 1)) {
    ++notThere;
  }
  EXPECT_EQ(notThere, 1u);
}

TEST_F(HtmlViewTest, PageScriptsCannotPassThemselvesOffAsAFinishedDocument) {
  CBaseHtmlView view(values_);
  TestHost host;
  Open(view, host, "fake-complete");
  ASSERT_TRUE(WaitUntil([] { return g_server->Answers("fake").size() == 2; }));
  RunFor(1);
  EXPECT_EQ(g_server->Answers("fake"), (std::vector<std::string>{"before:0", "after:0"}))
      << "the page reached the launcher's message handler";
  EXPECT_EQ(host.raised, 1);
  EXPECT_TRUE(WaitUntil([] { return Count(g_server->Events(), "web_load") == 1; }));
  RunFor(0.5);
  EXPECT_EQ(g_server->Events(), std::vector<std::string>{"web_load"});
}

// While the statistics server sits on every report, the GUI thread answers each ping within
// 100 ms: a report that ran on it would hold it for seconds.
TEST_F(HtmlViewTest, SilentStatisticsServerNeverHoldsTheWindowUp) {
  g_server->SetStatisticsSilent(true);
  struct Ping {
    std::mutex lock;
    std::chrono::steady_clock::time_point sent;
    bool answered = true;
    std::chrono::steady_clock::duration longest{};
  } ping;
  CBaseHtmlView view(values_);
  TestHost host;
  Open(view, host, "frames");
  // From the first finished document on, when the web engine has set itself up and the reports
  // begin.
  ASSERT_TRUE(WaitUntil([&] { return host.raised >= 1; }));
  std::atomic<bool> stop{false};
  std::thread pinger([&] {
    while (!stop) {
      {
        std::lock_guard<std::mutex> guard(ping.lock);
        const auto now = std::chrono::steady_clock::now();
        if (!ping.answered) {
          ping.longest = std::max(ping.longest, now - ping.sent);
        } else {
          ping.answered = false;
          ping.sent = now;
          // Queued for the GUI thread at the priority of the window system's events.
          g_idle_add_full(
              G_PRIORITY_DEFAULT,
              [](gpointer data) -> gboolean {
                auto* p = static_cast<Ping*>(data);
                std::lock_guard<std::mutex> answer(p->lock);
                p->longest = std::max(p->longest, std::chrono::steady_clock::now() - p->sent);
                p->answered = true;
                return G_SOURCE_REMOVE;
              },
              &ping, nullptr);
        }
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
  });
  EXPECT_TRUE(WaitUntil([&] { return host.raised == 4; }));
  RunFor(1);
  stop = true;
  pinger.join();
  WaitUntil([&] {
    std::lock_guard<std::mutex> guard(ping.lock);
    return ping.answered;
  });
  EXPECT_LT(ping.longest, std::chrono::milliseconds(100))
      << std::chrono::duration_cast<std::chrono::milliseconds>(ping.longest).count() << " ms";
  EXPECT_TRUE(g_server->Events().empty()) << "the server is still sitting on the first report";
  g_server->SetStatisticsSilent(false);
  EXPECT_TRUE(telemetry::WaitForReports(std::chrono::seconds(60)));
  EXPECT_EQ(Count(g_server->Events(), "web_load"), 4);
}

void ClickAt(TestHost& host, int x, int y) {
  int originX = 0, originY = 0;
  gdk_window_get_origin(gtk_widget_get_window(host.window()), &originX, &originY);
  std::ostringstream command;
  command << "xdotool mousemove --sync " << originX + x << ' ' << originY + y << " click 1";
  ASSERT_EQ(std::system(command.str().c_str()), 0) << command.str();
}

TEST_F(HtmlViewTest, LinksWithTargetsOpenInTheDefaultBrowserAndThePageStays) {
  const fs::path opened = gameDir_ / "opened";
  const auto restorePath = InstallRecordingXdgOpen(opened);

  CBaseHtmlView view(values_);
  TestHost host;
  Open(view, host, "links");
  ASSERT_TRUE(WaitUntil([&] { return host.raised == 1; }));
  const std::string uri = webkit_web_view_get_uri(view.WebView());

  // Left half, then right half of the view (at 497, 132, 645 x 438 in the window).
  ClickAt(host, 497 + 160, 132 + 200);
  EXPECT_TRUE(WaitUntil([&] { return ReadLines(opened).size() == 1; }));
  ClickAt(host, 497 + 480, 132 + 200);
  EXPECT_TRUE(WaitUntil([&] { return ReadLines(opened).size() == 2; }));
  RunFor(1);

  EXPECT_EQ(ReadLines(opened), (std::vector<std::string>{"http://outside.invalid/one?a=1&b=2",
                                                         "http://outside.invalid/two"}));
  EXPECT_EQ(webkit_web_view_get_uri(view.WebView()), uri);
  EXPECT_EQ(g_server->Requests("/page/links").size(), 1u);
  EXPECT_EQ(host.raised, 1);
  // Started detached, with nothing of the launcher's, and collected once ended.
  ASSERT_TRUE(WaitUntil([&] { return CountChildFiles(gameDir_) == 2; }));
  ExpectOnlyStandardStreamsAndCollected(gameDir_, 2);
}

TEST_F(HtmlViewTest, NewWindowsGoToTheBrowserOnlyForHttpAndHttps) {
  const fs::path opened = gameDir_ / "opened";
  const auto restorePath = InstallRecordingXdgOpen(opened);
  const std::vector<std::string> urls = {
      "http://outside.invalid/plain",  "someapp://run?x=1",       "file:///etc/hostname",
      "data:text/html,<p>x</p>",       "javascript:void(0)",      "ftp://outside.invalid/f",
      "https://outside.invalid/safe",
  };
  g_server->SetPopupUrls(urls);
  const size_t logOffset = Logged().size();

  CBaseHtmlView view(values_);
  TestHost host;
  Open(view, host, "popups");
  // Opening windows without a click, as the page's own scripts may once it has one.
  webkit_settings_set_javascript_can_open_windows_automatically(webkit_web_view_get_settings(view.WebView()), TRUE);
  ASSERT_TRUE(WaitUntil([] { return !g_server->Answers("popups").empty(); }));
  RunFor(1);

  EXPECT_EQ(ReadLines(opened),
            (std::vector<std::string>{"http://outside.invalid/plain", "https://outside.invalid/safe"}));
  EXPECT_TRUE(LoggedInOrder(logOffset, {"NewWindow url dropped, not http or https: someapp://run?x=1",
                                        "NewWindow url dropped, not http or https: ftp://outside.invalid/f"}));
  EXPECT_EQ(host.raised, 1);
}

}  // namespace
