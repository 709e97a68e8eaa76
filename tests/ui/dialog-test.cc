// The main dialog as a real window on the private X server: its place and size, shape, topmost
// state, close guard and close notice, keys, and the controls as the install threads reach them.
#include <gtest/gtest.h>
#include <gtk/gtk.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <optional>
#include <sstream>
#include <thread>

#include "gui-environment.h"
#include "platform/encoding.h"
#include "platform/file-names.h"
#include "platform/resources.h"
#include "platform/top-level-window.h"
#include "support/temp-dir.h"
#include "ui/close-notice.h"
#include "ui/dialog-layout.h"
#include "ui/main-dlg.h"
#include "util/cvlog/main-logger.h"
#include "x-server.h"

// Last: Xlib's macros (None, Bool, Status) would clash with the headers above.
#include <X11/Xlib.h>
#include <X11/extensions/shape.h>

namespace ui {
namespace {

using namespace std::chrono_literals;
using testing_support::TempDir;
using uitest::PumpFor;
using uitest::PumpUntil;
using uitest::XDoTool;

namespace fs = std::filesystem;

class DialogTest : public ::testing::Test {
 protected:
  void SetUp() override { g_bInstallFinished = false; }

  // A dialog whose game folder holds the client (finished) or not (the install starts, here as
  // a stub that keeps the controls).
  std::unique_ptr<MainDlg> Open(bool clientPresent, std::int32_t winId = 0) {
    if (clientPresent) std::ofstream(game_.path() / platform::kGameClientFileName) << "client";
    MainDlg::Services services;
    services.winId = winId;
    services.gameDir = game_.path().string();
    services.startInstall = [this](InstallControls controls) {
      controls_ = std::move(controls);
      ++installStarts_;
    };
    auto dialog = std::make_unique<MainDlg>(std::move(services));
    dialog->Create();
    EXPECT_TRUE(PumpUntil([&] { return uitest::WindowGeometry(Xid(*dialog)).viewable; }));
    PumpFor(100ms);
    return dialog;
  }

  static platform::WindowId Xid(MainDlg& dialog) { return static_cast<platform::WindowId>(dialog.WindowHandle()); }

  // Clicks at a point of the dialog, given in window coordinates.
  static void ClickAt(MainDlg& dialog, int x, int y) {
    uitest::Geometry g = uitest::WindowGeometry(Xid(dialog));
    XDoTool("mousemove " + std::to_string(g.x + x) + " " + std::to_string(g.y + y) + " click 1");
  }

  TempDir game_;
  std::optional<InstallControls> controls_;
  int installStarts_ = 0;
};

Rect Allocation(GtkWidget* widget) {
  GtkAllocation a;
  gtk_widget_get_allocation(widget, &a);
  return Rect{a.x, a.y, a.width, a.height};
}

TEST_F(DialogTest, OpensCentredWithItsControlsAndTheFinishedState) {
  auto dialog = Open(/*clientPresent=*/true);
  uitest::Geometry g = uitest::WindowGeometry(Xid(*dialog));
  EXPECT_EQ(g.x, 320);
  EXPECT_EQ(g.y, 177);
  EXPECT_EQ(g.width, 1280);
  EXPECT_EQ(g.height, 725);
  EXPECT_STREQ(gtk_window_get_title(dialog->Window()), "Corvela");
  EXPECT_EQ(platform::FindTopLevelWindow("Corvela"), Xid(*dialog));
  EXPECT_NE(gtk_window_get_icon(dialog->Window()), nullptr);

  EXPECT_EQ(Allocation(dialog->GetDlgItem(IDC_BTN_MIN)), kMinButtonRect);
  EXPECT_EQ(Allocation(dialog->GetDlgItem(IDC_BTN_CLOSE)), kCloseButtonRect);
  EXPECT_EQ(Allocation(dialog->GetDlgItem(IDC_PROGRESS)), kProgressRect);
  Rect status = Allocation(dialog->GetDlgItem(IDC_STATIC_STATUS));
  EXPECT_EQ(status.x, 455);
  EXPECT_EQ(status.y, 606);
  ASSERT_NE(dialog->GetDlgItem(IDC_WEB_FRAME), nullptr);  // left for the web view to replace

  EXPECT_EQ(dialog->StatusText(), "下载完成");
  EXPECT_EQ(dialog->m_progress.GetRange(), std::make_pair(0, 100));
  EXPECT_EQ(dialog->m_progress.GetPos(), 100);
  EXPECT_EQ(dialog->m_progress.FilledWidth(), 554);  // the whole client area inside the border
  EXPECT_TRUE(g_bInstallFinished);
  EXPECT_EQ(installStarts_, 0);
}

// The client path is never cut: one of more than 1023 characters is found where AppLogin starts
// it, so a finished install is not downloaded again.
TEST_F(DialogTest, FindsTheClientInAGameFolderOfMoreThan1023Characters) {
  fs::path gameDir = game_.path();
  for (int level = 0; level < 5; ++level) gameDir /= std::string(230, static_cast<char>('a' + level));
  ASSERT_GT((gameDir / platform::kGameClientFileName).string().size(), 1023u);
  fs::create_directories(gameDir);
  std::ofstream(gameDir / platform::kGameClientFileName) << "client";
  MainDlg::Services services;
  services.gameDir = gameDir.string();
  services.startInstall = [this](InstallControls) { ++installStarts_; };
  MainDlg dialog(std::move(services));
  dialog.Create();
  EXPECT_EQ(dialog.StatusText(), "下载完成");
  EXPECT_EQ(installStarts_, 0);
  EXPECT_TRUE(g_bInstallFinished);
}

TEST_F(DialogTest, KeepsItsPlaceOnAScreenNoLargerThanItself) {
  uitest::XServer small(1280, 720, /*windowManager=*/false);
  ASSERT_TRUE(small.Ok());
  uitest::ScopedDisplay use(small.Name());
  ASSERT_TRUE(use.Ok());
  {
    auto dialog = Open(true);
    uitest::Geometry g = uitest::WindowGeometry(Xid(*dialog));
    EXPECT_EQ(g.x, 0);
    EXPECT_EQ(g.y, 0);
    EXPECT_EQ(g.width, 1280);
    EXPECT_EQ(g.height, 725);
    // No window manager here: the lookup walks the root's children.
    EXPECT_EQ(platform::FindTopLevelWindow("Corvela"), Xid(*dialog));
  }
  PumpFor(50ms);
}

bool Contains(const XRectangle* rects, int count, int x, int y) {
  for (int i = 0; i < count; ++i) {
    if (x >= rects[i].x && x < rects[i].x + rects[i].width && y >= rects[i].y && y < rects[i].y + rects[i].height) {
      return true;
    }
  }
  return false;
}

TEST_F(DialogTest, ShapeKeepsThePixelsOfAlpha120AndMore) {
  auto dialog = Open(true);
  // Straight alpha of the real background picture, read on its own.
  auto png = platform::FindResource("PNG", 155);
  ASSERT_TRUE(png);
  GdkPixbufLoader* loader = gdk_pixbuf_loader_new();
  ASSERT_TRUE(gdk_pixbuf_loader_write(loader, png->data(), png->size(), nullptr));
  ASSERT_TRUE(gdk_pixbuf_loader_close(loader, nullptr));
  GdkPixbuf* picture = gdk_pixbuf_loader_get_pixbuf(loader);
  ASSERT_EQ(gdk_pixbuf_get_width(picture), 1280);
  ASSERT_EQ(gdk_pixbuf_get_height(picture), 725);
  const guchar* pixels = gdk_pixbuf_read_pixels(picture);
  const int stride = gdk_pixbuf_get_rowstride(picture);
  auto alphaAt = [&](int x, int y) { return pixels[y * stride + x * 4 + 3]; };

  Display* d = XOpenDisplay(nullptr);
  ASSERT_NE(d, nullptr);
  int count = 0, ordering = 0;
  XRectangle* rects = XShapeGetRectangles(d, Xid(*dialog), ShapeBounding, &count, &ordering);
  ASSERT_GT(count, 0);

  // Every pixel of a few rows across the soft corners and edges, and the picture's centre.
  int checked119 = 0, checked120 = 0;
  for (int y : {50, 52, 53, 55, 60, 130, 380, 675, 678}) {
    for (int x = 0; x < 1280; ++x) {
      int a = alphaAt(x, y);
      bool inside = Contains(rects, count, x, y);
      ASSERT_EQ(inside, a >= 120) << "pixel " << x << "," << y << " alpha " << a;
    }
  }
  for (int y = 0; y < 725; ++y) {
    for (int x = 0; x < 1280; ++x) {
      int a = alphaAt(x, y);
      if (a == 119 && checked119 < 20) {
        EXPECT_FALSE(Contains(rects, count, x, y)) << x << "," << y;
        ++checked119;
      } else if (a == 120 && checked120 < 20) {
        EXPECT_TRUE(Contains(rects, count, x, y)) << x << "," << y;
        ++checked120;
      }
    }
  }
  EXPECT_GT(checked119, 0);
  EXPECT_GT(checked120, 0);
  XFree(rects);
  XCloseDisplay(d);
  g_object_unref(loader);
}

TEST_F(DialogTest, ClicksOnTheTransparentMarginsReachTheWindowBehind) {
  // Smaller than the screen: openbox would take a screen-sized borderless window for a full-screen
  // one and lift it over everything once it has the focus.
  GtkWidget* behind = uitest::BorderlessWindow(300, 150, 1000, 700);
  gtk_widget_add_events(behind, GDK_BUTTON_PRESS_MASK);
  int presses = 0;
  g_signal_connect(behind, "button-press-event", G_CALLBACK(+[](GtkWidget*, GdkEvent*, gpointer data) -> gboolean {
                     ++*static_cast<int*>(data);
                     return TRUE;
                   }),
                   &presses);
  gtk_widget_show_all(behind);
  ASSERT_TRUE(PumpUntil([&] { return gtk_widget_get_mapped(behind); }));
  PumpFor(200ms);

  auto dialog = Open(true);
  ASSERT_TRUE(PumpUntil([&] { return uitest::HasAboveState(Xid(*dialog)); }));
  ClickAt(*dialog, 10, 10);  // alpha 0 in the picture's corner
  EXPECT_TRUE(PumpUntil([&] { return presses == 1; }));
  ClickAt(*dialog, 800, 300);  // inside the panel: the dialog's own
  PumpFor(300ms);
  EXPECT_EQ(presses, 1);
  gtk_widget_destroy(behind);
}

TEST_F(DialogTest, DraggingTheBackgroundMovesTheWindow) {
  auto dialog = Open(true);
  uitest::Geometry before = uitest::WindowGeometry(Xid(*dialog));
  auto at = [&](int x, int y) { return std::to_string(before.x + x) + " " + std::to_string(before.y + y); };
  // The press has to reach the dialog while the button is still down, so the pointer is driven
  // from another thread while this one runs the loop.
  std::thread drag([&] {
    XDoTool("mousemove " + at(800, 300) + " mousedown 1 sleep 0.3 mousemove " + at(850, 320) + " sleep 0.1 mousemove " +
            at(900, 350) + " sleep 0.3 mouseup 1");
  });
  PumpFor(1500ms);
  drag.join();
  EXPECT_TRUE(PumpUntil([&] {
    uitest::Geometry now = uitest::WindowGeometry(Xid(*dialog));
    return now.x == before.x + 100 && now.y == before.y + 50;
  }));
}

TEST_F(DialogTest, TopmostUntilBroughtToFront) {
  auto dialog = Open(true);
  platform::WindowId xid = Xid(*dialog);
  EXPECT_TRUE(PumpUntil([&] { return uitest::HasAboveState(xid); }));
  dialog->BringToFront();  // what the first finished document does
  EXPECT_TRUE(PumpUntil([&] { return !uitest::HasAboveState(xid); }));
  EXPECT_TRUE(uitest::WindowGeometry(xid).viewable);
}

TEST_F(DialogTest, SecondStartRestoresTheMinimizedDialogAndClearsTopmost) {
  auto dialog = Open(true);
  platform::WindowId xid = Xid(*dialog);
  ASSERT_TRUE(PumpUntil([&] { return uitest::HasAboveState(xid); }));
  ClickAt(*dialog, kMinButtonRect.x + 13, kMinButtonRect.y + 13);
  ASSERT_TRUE(PumpUntil([&] { return !uitest::WindowGeometry(xid).viewable; })) << "minimize button";

  // What a second launcher does before anything else.
  platform::WindowId found = platform::FindTopLevelWindow("Corvela");
  ASSERT_EQ(found, xid);
  platform::ShowAndRaiseWindow(found);
  EXPECT_TRUE(PumpUntil([&] { return uitest::WindowGeometry(xid).viewable && !uitest::HasAboveState(xid); }));
}

// Waits on its own thread for a window titled `title`, then dismisses it with Return. While the
// box is up the GUI thread is inside the box's own loop, so what the test wants to know about
// that moment is taken here, by `whileUp`.
class BoxDismisser {
 public:
  explicit BoxDismisser(std::string title, std::function<void()> whileUp = [] {})
      : thread_([this, title, whileUp] {
          auto end = std::chrono::steady_clock::now() + 10s;
          while (std::chrono::steady_clock::now() < end) {
            if (platform::WindowId box = platform::FindTopLevelWindow(title)) {
              std::this_thread::sleep_for(300ms);
              whileUp();
              seen_ = true;
              XDoTool("windowactivate --sync " + std::to_string(box) + " key --clearmodifiers Return");
              return;
            }
            std::this_thread::sleep_for(20ms);
          }
        }) {}
  ~BoxDismisser() { thread_.join(); }
  bool Seen() const { return seen_; }

 private:
  std::atomic<bool> seen_{false};
  std::thread thread_;
};

TEST_F(DialogTest, CloseButtonWarnsWhileInstallingAndClosesAfterwards) {
  auto dialog = Open(/*clientPresent=*/false);
  EXPECT_EQ(installStarts_, 1);
  EXPECT_EQ(dialog->StatusText(), "下载中");
  EXPECT_EQ(dialog->m_progress.GetPos(), 0);
  EXPECT_FALSE(g_bInstallFinished);
  {
    BoxDismisser dismisser("提示");
    ClickAt(*dialog, kCloseButtonRect.x + 19, kCloseButtonRect.y + 19);
    // The click runs the box's own loop until the player dismisses it.
    ASSERT_TRUE(PumpUntil([&] { return dismisser.Seen(); }));
    PumpFor(800ms);
  }
  EXPECT_NE(dialog->Window(), nullptr) << "the close guard must keep the dialog open";

  g_bInstallFinished = true;  // the worker has ended
  ClickAt(*dialog, kCloseButtonRect.x + 19, kCloseButtonRect.y + 19);
  EXPECT_TRUE(PumpUntil([&] { return dialog->Window() == nullptr; }));
}

// A window of another program that the launcher is told to notify.
class NoticeTarget {
 public:
  NoticeTarget() : display_(XOpenDisplay(nullptr)) {
    window_ = XCreateSimpleWindow(display_, DefaultRootWindow(display_), 0, 0, 10, 10, 0, 0, 0);
    XSelectInput(display_, window_, PropertyChangeMask);
    XSync(display_, False);
  }
  ~NoticeTarget() {
    XDestroyWindow(display_, window_);
    XCloseDisplay(display_);
  }
  unsigned long Id() const { return window_; }

  // The next client message, if one arrives in time; property changes are noted.
  std::optional<XClientMessageEvent> NextMessage(std::chrono::milliseconds limit) {
    auto end = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < end) {
      while (XPending(display_)) {
        XEvent e;
        XNextEvent(display_, &e);
        if (e.type == PropertyNotify) ++propertyChanges;
        if (e.type == ClientMessage) return e.xclient;
      }
      std::this_thread::sleep_for(10ms);
    }
    return std::nullopt;
  }

  std::vector<unsigned char> Property(const char* name) {
    Atom atom = XInternAtom(display_, name, False), type = None;
    int format = 0;
    unsigned long count = 0, rest = 0;
    unsigned char* data = nullptr;
    std::vector<unsigned char> bytes;
    if (XGetWindowProperty(display_, window_, atom, 0, 4096, False, atom, &type, &format, &count, &rest, &data) ==
            Success &&
        data != nullptr && format == 8) {
      bytes.assign(data, data + count);
    }
    if (data != nullptr) XFree(data);
    return bytes;
  }

  Atom AtomOf(const char* name) { return XInternAtom(display_, name, False); }
  int propertyChanges = 0;

 private:
  Display* display_;
  Window window_;
};

TEST_F(DialogTest, ClosingSendsTheNoticeRecordToTheNamedWindow) {
  NoticeTarget target;
  const auto winId = static_cast<std::int32_t>(target.Id());
  auto dialog = Open(true, winId);
  dialog->OnBnClickedClose();
  EXPECT_EQ(dialog->Window(), nullptr);

  std::optional<XClientMessageEvent> message = target.NextMessage(3s);
  ASSERT_TRUE(message);
  EXPECT_EQ(message->message_type, target.AtomOf("CVL_COPYDATA"));
  EXPECT_EQ(message->format, 32);
  EXPECT_EQ(message->data.l[0], winId);
  EXPECT_EQ(message->data.l[1], 1);
  EXPECT_EQ(message->data.l[2], 528);
  auto record = CloseNoticeRecord();
  EXPECT_EQ(target.Property("CVL_COPYDATA"), std::vector<unsigned char>(record.begin(), record.end()));
  EXPECT_FALSE(target.NextMessage(200ms)) << "exactly one notice";
}

TEST_F(DialogTest, NoNoticeForAWinIdOfZeroOrBelow) {
  NoticeTarget target;
  for (std::int32_t winId : {0, -static_cast<std::int32_t>(target.Id()), -1}) {
    g_bInstallFinished = false;
    auto dialog = Open(true, winId);
    dialog->OnBnClickedClose();
    EXPECT_EQ(dialog->Window(), nullptr);
    EXPECT_FALSE(target.NextMessage(300ms)) << winId;
    EXPECT_EQ(target.propertyChanges, 0) << winId;
  }
}

TEST_F(DialogTest, NoticeToAWindowThatDoesNotExistLeavesTheLauncherRunning) {
  NoticeTarget probe;
  // An id in the range of another client that has no window there.
  auto missing = static_cast<std::int32_t>(probe.Id() | 0x0FFFF);
  auto dialog = Open(true, missing);
  dialog->OnBnClickedClose();  // the X error must not end the process
  EXPECT_EQ(dialog->Window(), nullptr);
  auto record = CloseNoticeRecord();
  EXPECT_TRUE(platform::SendCloseNotice(static_cast<platform::WindowId>(missing), missing, 1, record));
  // The toolkit's own connection is still fine.
  GtkWidget* window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  gtk_widget_show(window);
  PumpFor(100ms);
  gtk_widget_destroy(window);
}

TEST_F(DialogTest, NoticeArrivingAtTheDialogIsLogged) {
  TempDir logs;
  std::string config = "[Main] \npath = " + logs.path().string() + "/ \nname=log \nfileline = 0 \n";
  cvlog::ILogManager* manager = cvlog::Instance();
  ASSERT_TRUE(manager->ConfigFromText(config.c_str()));
  cvlog::g_nLogId = manager->LookupLogger("Main");
  ASSERT_TRUE(manager->Start());

  auto dialog = Open(true);
  auto record = CloseNoticeRecord();
  ASSERT_TRUE(platform::SendCloseNotice(Xid(*dialog), 1180, 1, record));
  PumpFor(300ms);
  manager->Stop();

  std::string all;
  for (const auto& entry : fs::recursive_directory_iterator(logs.path())) {
    if (!entry.is_regular_file()) continue;
    std::ifstream in(entry.path(), std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    all += text.str();
  }
  EXPECT_NE(all.find("OnWnNotifygame \r\n"), std::string::npos) << all;
  EXPECT_NE(dialog->Window(), nullptr) << "a notice does not close the dialog";
}

TEST_F(DialogTest, EnterDoesNothingAndEscEndsTheModalRun) {
  MainDlg::Services services;
  services.gameDir = game_.path().string();
  MainDlg dialog(services);
  std::atomic<bool> aliveAfterEnter{false};
  std::thread keys([&] {
    platform::WindowId xid = 0;
    for (int i = 0; i < 500 && xid == 0; ++i, std::this_thread::sleep_for(20ms)) xid = platform::FindTopLevelWindow("Corvela");
    std::this_thread::sleep_for(300ms);
    XDoTool("windowactivate --sync " + std::to_string(xid) + " key Return");
    std::this_thread::sleep_for(300ms);
    aliveAfterEnter = platform::FindTopLevelWindow("Corvela") == xid && uitest::WindowGeometry(xid).viewable;
    XDoTool("windowactivate --sync " + std::to_string(xid) + " key Escape");
  });
  int result = dialog.DoModal();
  keys.join();
  EXPECT_TRUE(aliveAfterEnter);
  EXPECT_EQ(result, IDCANCEL);
  EXPECT_EQ(dialog.Window(), nullptr);
}

TEST_F(DialogTest, WindowManagerCloseEndsTheModalRunAsCancel) {
  MainDlg::Services services;
  services.gameDir = game_.path().string();
  MainDlg dialog(services);
  std::thread closer([&] {
    platform::WindowId xid = 0;
    for (int i = 0; i < 500 && xid == 0; ++i, std::this_thread::sleep_for(20ms)) xid = platform::FindTopLevelWindow("Corvela");
    std::this_thread::sleep_for(300ms);
    Display* d = XOpenDisplay(nullptr);
    XEvent e{};
    e.xclient.type = ClientMessage;
    e.xclient.window = xid;
    e.xclient.message_type = XInternAtom(d, "WM_PROTOCOLS", False);
    e.xclient.format = 32;
    e.xclient.data.l[0] = static_cast<long>(XInternAtom(d, "WM_DELETE_WINDOW", False));
    e.xclient.data.l[1] = CurrentTime;
    XSendEvent(d, xid, False, NoEventMask, &e);
    XSync(d, False);
    XCloseDisplay(d);
  });
  int result = dialog.DoModal();
  closer.join();
  EXPECT_EQ(result, IDCANCEL);
}

TEST_F(DialogTest, InstallThreadsReachTheControlsUntilTheDialogIsGone) {
  auto dialog = Open(/*clientPresent=*/false);
  ASSERT_TRUE(controls_);
  std::atomic<bool> done{false};
  std::thread worker([&] {
    controls_->setProgressRange(500, 2000);
    controls_->setProgressPos(500);
    controls_->paintProgress();
    controls_->setStatusText(L"正在安装...");
    done = true;
  });
  ASSERT_TRUE(PumpUntil([&] { return done.load(); }));
  worker.join();
  EXPECT_EQ(dialog->m_progress.GetRange(), std::make_pair(500, 2000));
  EXPECT_EQ(dialog->m_progress.GetPos(), 500);
  EXPECT_EQ(dialog->m_progress.FilledWidth(), 184);  // 554 / 1500 * 500, truncated
  EXPECT_EQ(dialog->StatusText(), "正在安装...");

  // Esc during the install: the threads go on, and their calls now do nothing and come back.
  dialog->EndDialog(IDCANCEL);
  ASSERT_EQ(dialog->Window(), nullptr);
  std::thread late([&] {
    controls_->setStatusText(L"下载完成");
    controls_->setProgressPos(2000);
    controls_->paintProgress();
    controls_->messageBox(L"下载出错请重新打开", L"提示");
  });
  late.join();  // no GTK loop runs here: a call that waited would hang the test
  EXPECT_EQ(dialog->m_progress.GetPos(), 500);
}

TEST_F(DialogTest, WorkerMessageBoxWaitsForTheDismissal) {
  auto dialog = Open(false);
  ASSERT_TRUE(controls_);
  std::atomic<bool> returned{false}, returnedWhileUp{true};
  BoxDismisser dismisser("提示", [&] { returnedWhileUp = returned.load(); });
  std::thread worker([&] {
    controls_->messageBox(L"下载出错请重新打开", L"提示");
    returned = true;
  });
  ASSERT_TRUE(PumpUntil([&] { return dismisser.Seen(); }));
  EXPECT_FALSE(returnedWhileUp) << "the worker waits while the box is up";
  EXPECT_TRUE(PumpUntil([&] { return returned.load(); }));
  worker.join();
}

struct Rgb {
  int r, g, b;
};

Rgb PixelAt(XImage* image, int x, int y) {
  unsigned long p = XGetPixel(image, x, y);
  return Rgb{static_cast<int>((p >> 16) & 0xFF), static_cast<int>((p >> 8) & 0xFF), static_cast<int>(p & 0xFF)};
}

#define EXPECT_RGB(pixel, R, G, B)                                                 \
  do {                                                                             \
    Rgb px_ = (pixel);                                                             \
    EXPECT_TRUE(px_.r == (R) && px_.g == (G) && px_.b == (B))                      \
        << "got " << px_.r << "," << px_.g << "," << px_.b;                        \
  } while (0)

TEST_F(DialogTest, DrawsTheBackgroundButtonsBarAndStatusLine) {
  auto dialog = Open(false);
  dialog->m_progress.SetRange(0, 100);
  dialog->m_progress.SetPos(50);
  PumpFor(300ms);
  std::system(("import -window root " + (game_ / "cvl-ui-dialog.png").string() +
               " >/dev/null 2>&1").c_str());

  Display* d = XOpenDisplay(nullptr);
  platform::WindowId xid = Xid(*dialog);
  XImage* image = XGetImage(d, xid, 0, 0, 1280, 725, AllPlanes, ZPixmap);
  ASSERT_NE(image, nullptr);

  // The bar: black border, then 277 filled pixels (554 / 100 * 50) and the track.
  EXPECT_RGB(PixelAt(image, 523, 608), 0, 0, 0);
  EXPECT_RGB(PixelAt(image, 524, 612), 138, 206, 249);
  EXPECT_RGB(PixelAt(image, 524 + 276, 612), 138, 206, 249);
  EXPECT_RGB(PixelAt(image, 524 + 277, 612), 160, 150, 201);
  EXPECT_RGB(PixelAt(image, 1077, 612), 160, 150, 201);

  // An opaque pixel of the background shows as it is in the picture.
  auto png = platform::FindResource("PNG", 155);
  ASSERT_TRUE(png);
  GdkPixbufLoader* loader = gdk_pixbuf_loader_new();
  gdk_pixbuf_loader_write(loader, png->data(), png->size(), nullptr);
  gdk_pixbuf_loader_close(loader, nullptr);
  GdkPixbuf* picture = gdk_pixbuf_loader_get_pixbuf(loader);
  const guchar* p = gdk_pixbuf_read_pixels(picture) + 300 * gdk_pixbuf_get_rowstride(picture) + 800 * 4;
  ASSERT_EQ(p[3], 255);
  EXPECT_RGB(PixelAt(image, 800, 300), p[0], p[1], p[2]);
  g_object_unref(loader);

  // The close button's cross is white at its centre; the minimize disc is blue beside its bar.
  Rgb cross = PixelAt(image, kCloseButtonRect.x + 19, kCloseButtonRect.y + 19);
  EXPECT_GT(cross.r + cross.g + cross.b, 3 * 240);
  Rgb disc = PixelAt(image, kMinButtonRect.x + 13, kMinButtonRect.y + 4);
  EXPECT_GT(disc.b, disc.r + 60);

  // The status line is drawn in its own colour straight onto the picture.
  int textPixels = 0;
  for (int y = 606; y < 624; ++y) {
    for (int x = 455; x < 515; ++x) {
      Rgb c = PixelAt(image, x, y);
      if (std::abs(c.r - 141) < 12 && std::abs(c.g - 102) < 12 && std::abs(c.b - 127) < 12) ++textPixels;
    }
  }
  EXPECT_GT(textPixels, 5);
  XDestroyImage(image);
  XCloseDisplay(d);
}

}  // namespace
}  // namespace ui
