#include "ui/main-dlg.h"

#include <cairo.h>
#include <gtk/gtk.h>

#include <vector>

#include "install/install-texts.h"
#include "platform/encoding.h"
#include "platform/message-box.h"
#include "platform/top-level-window-gtk.h"
#include "res/strings.h"
#include "ui/close-notice.h"
#include "ui/dialog-layout.h"
#include "ui/window-shape.h"
#include "util/cvlog/main-logger.h"
#include "web/app-login.h"

namespace ui {
namespace {

constexpr int kPicMinimize = 131;
constexpr int kPicClose = 137;
constexpr int kPicBackground = 155;
constexpr int kIconMain = 160;

constexpr char kStatusCss[] =
    "label#cvl-status { color: rgb(141, 102, 127); background: transparent;"
    " font-family: \"Noto Sans CJK SC\", sans-serif; font-size: 8pt; }";

void Place(GtkFixed* client, GtkWidget* widget, Rect r) {
  gtk_widget_set_size_request(widget, r.width, r.height);
  gtk_fixed_move(client, widget, r.x, r.y);
}

GtkWidget* PutControl(GtkFixed* client, GtkWidget* widget, Rect r) {
  gtk_widget_set_size_request(widget, r.width, r.height);
  gtk_fixed_put(client, widget, r.x, r.y);
  return widget;
}

cairo_region_t* ShapeRegion(const CImage& image) {
  std::vector<Rect> runs = ShapeRectangles(image.GetBits(), image.GetWidth(), image.GetHeight(), image.GetPitch());
  std::vector<cairo_rectangle_int_t> rects;
  rects.reserve(runs.size());
  for (const Rect& r : runs) rects.push_back(cairo_rectangle_int_t{r.x, r.y, r.width, r.height});
  return cairo_region_create_rectangles(rects.data(), static_cast<int>(rects.size()));
}

}  // namespace

struct MainDlgSignals {
  // The background picture fills the window; what lies under its soft edges is black.
  static gboolean DrawBackground(GtkWidget* widget, cairo_t* cr, gpointer data) {
    auto* self = static_cast<MainDlg*>(data);
    if (self->m_pBkImage == nullptr) return FALSE;
    cairo_save(cr);
    cairo_set_source_rgb(cr, 0, 0, 0);
    cairo_paint(cr);
    double sx = static_cast<double>(gtk_widget_get_allocated_width(widget)) / gdk_pixbuf_get_width(self->m_pBkImage);
    double sy = static_cast<double>(gtk_widget_get_allocated_height(widget)) / gdk_pixbuf_get_height(self->m_pBkImage);
    cairo_scale(cr, sx, sy);
    gdk_cairo_set_source_pixbuf(cr, self->m_pBkImage, 0, 0);
    cairo_paint(cr);
    cairo_restore(cr);
    return FALSE;
  }

  // Draws the template's placeholder for the login page: a black frame.
  static gboolean DrawFrame(GtkWidget* widget, cairo_t* cr, gpointer) {
    cairo_set_source_rgb(cr, 0, 0, 0);
    cairo_set_line_width(cr, 1);
    cairo_rectangle(cr, 0.5, 0.5, gtk_widget_get_allocated_width(widget) - 1,
                    gtk_widget_get_allocated_height(widget) - 1);
    cairo_stroke(cr);
    return TRUE;
  }

  // Everything outside the controls drags the window.
  static gboolean Press(GtkWidget* widget, GdkEventButton* event, gpointer) {
    if (event->type == GDK_BUTTON_PRESS && event->button == GDK_BUTTON_PRIMARY) {
      gtk_window_begin_move_drag(GTK_WINDOW(widget), static_cast<int>(event->button), static_cast<int>(event->x_root),
                                 static_cast<int>(event->y_root), event->time);
      return TRUE;
    }
    return FALSE;
  }

  // Runs before the focused widget sees the key: Esc ends the dialog wherever the focus is;
  // Enter is the dialog's OK, which does nothing, and goes on to the page.
  static gboolean Key(GtkWidget*, GdkEventKey* event, gpointer data) {
    auto* self = static_cast<MainDlg*>(data);
    switch (event->keyval) {
      case GDK_KEY_Escape:
        self->EndDialog(IDCANCEL);
        return TRUE;
      case GDK_KEY_Return:
      case GDK_KEY_KP_Enter:
      case GDK_KEY_ISO_Enter:
        self->OnOK();
        return FALSE;
      default:
        return FALSE;
    }
  }

  static gboolean Delete(GtkWidget*, GdkEvent*, gpointer data) {
    static_cast<MainDlg*>(data)->EndDialog(IDCANCEL);
    return TRUE;
  }

  static void Realize(GtkWidget* widget, gpointer data) {
    auto* self = static_cast<MainDlg*>(data);
    platform::WatchCloseNotice(gtk_widget_get_window(widget), [self] { self->OnCopyData(); });
  }

  static void Destroyed(GtkWidget*, gpointer data) { static_cast<MainDlg*>(data)->OnDestroyed(); }
};

MainDlg::MainDlg(Services services) : m_services(std::move(services)) {}

MainDlg::~MainDlg() {
  if (m_window != nullptr) gtk_widget_destroy(GTK_WIDGET(m_window));
  m_webView.reset();
  if (m_pBkImage != nullptr) g_object_unref(m_pBkImage);
}

void MainDlg::BuildTemplate() {
  m_life = Lifeline::Create();
  m_window = GTK_WINDOW(gtk_window_new(GTK_WINDOW_TOPLEVEL));
  GtkWidget* window = GTK_WIDGET(m_window);
  Rect size = DialogUnitsToPixels(kDialogTemplateDu);
  gtk_window_set_decorated(m_window, FALSE);
  gtk_window_set_default_size(m_window, size.width, size.height);
  gtk_window_move(m_window, 0, 0);
  gtk_widget_set_app_paintable(window, TRUE);
  gtk_widget_add_events(window, GDK_BUTTON_PRESS_MASK | GDK_KEY_PRESS_MASK);
  g_signal_connect(window, "draw", G_CALLBACK(MainDlgSignals::DrawBackground), this);
  g_signal_connect(window, "button-press-event", G_CALLBACK(MainDlgSignals::Press), this);
  g_signal_connect(window, "key-press-event", G_CALLBACK(MainDlgSignals::Key), this);
  g_signal_connect(window, "delete-event", G_CALLBACK(MainDlgSignals::Delete), this);
  g_signal_connect(window, "realize", G_CALLBACK(MainDlgSignals::Realize), this);
  g_signal_connect(window, "destroy", G_CALLBACK(MainDlgSignals::Destroyed), this);

  m_client = GTK_FIXED(gtk_fixed_new());
  gtk_container_add(GTK_CONTAINER(m_window), GTK_WIDGET(m_client));
  g_signal_connect(m_client, "destroy", G_CALLBACK(gtk_widget_destroyed), &m_client);

  auto pictureButton = [&](Rect du) {
    GtkWidget* box = gtk_event_box_new();
    gtk_event_box_set_visible_window(GTK_EVENT_BOX(box), FALSE);
    return PutControl(m_client, box, DialogUnitsToPixels(du));
  };
  m_btnMin.Attach(pictureButton(kMinButtonDu));
  m_btnClose.Attach(pictureButton(kCloseButtonDu));
  m_progress.Attach(PutControl(m_client, gtk_drawing_area_new(), DialogUnitsToPixels(kProgressDu)));

  GtkWidget* status = gtk_label_new(install::kStatusDownloading);
  gtk_widget_set_name(status, "cvl-status");
  gtk_label_set_xalign(GTK_LABEL(status), 0);
  GtkCssProvider* css = gtk_css_provider_new();
  gtk_css_provider_load_from_data(css, kStatusCss, -1, nullptr);
  gtk_style_context_add_provider(gtk_widget_get_style_context(status), GTK_STYLE_PROVIDER(css),
                                 GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
  g_object_unref(css);
  m_staticStatus = GTK_LABEL(PutControl(m_client, status, DialogUnitsToPixels(kStatusLineDu)));
  g_signal_connect(status, "destroy", G_CALLBACK(gtk_widget_destroyed), &m_staticStatus);

  m_webFrame = PutControl(m_client, gtk_drawing_area_new(), DialogUnitsToPixels(kWebFrameDu));
  g_signal_connect(m_webFrame, "draw", G_CALLBACK(MainDlgSignals::DrawFrame), nullptr);
  g_signal_connect(m_webFrame, "destroy", G_CALLBACK(gtk_widget_destroyed), &m_webFrame);
}

void MainDlg::DoDataExchange() {
  m_btnClose.SetOnClicked([this] { OnBnClickedClose(); });
  m_btnMin.SetOnClicked([this] { OnBnClickedMin(); });
}

bool MainDlg::OnInitDialog() {
  if (GdkPixbuf* icon = DecodePngResource("ICON", kIconMain)) {
    gtk_window_set_icon(m_window, icon);
    g_object_unref(icon);
  }

  std::wstring title = platform::Utf8ToWide(res::LoadString(res::IDS_TITLE));
  if (title.size() > 99) title.resize(99);
  gtk_window_set_title(m_window, platform::WideToUtf8(title).c_str());

  LoadPngResource(m_btnMin.m_image, kPicMinimize);
  Place(m_client, m_btnMin.Widget(), kMinButtonRect);
  LoadPngResource(m_btnClose.m_image, kPicClose);
  Place(m_client, m_btnClose.Widget(), kCloseButtonRect);
  Place(m_client, m_progress.Widget(), kProgressRect);
  m_progress.OnPaint();

  m_pBkImage = DecodePngResource("PNG", kPicBackground);
  LoadPngResource(m_imgShape, kPicBackground);
  cairo_region_t* shape = ShapeRegion(m_imgShape);

  GdkDisplay* display = gtk_widget_get_display(GTK_WIDGET(m_window));
  GdkMonitor* monitor = gdk_display_get_primary_monitor(display);
  if (monitor == nullptr) monitor = gdk_display_get_monitor(display, 0);
  GdkRectangle screen{0, 0, 0, 0};
  if (monitor != nullptr) gdk_monitor_get_geometry(monitor, &screen);
  Point current;
  gtk_window_get_position(m_window, &current.x, &current.y);
  Point origin = CenteredOrigin(Rect{screen.x, screen.y, screen.width, screen.height}, current);
  gtk_window_set_keep_above(m_window, TRUE);
  gtk_window_move(m_window, origin.x, origin.y);
  gtk_window_resize(m_window, kDialogWidth, kDialogHeight);
  gtk_widget_shape_combine_region(GTK_WIDGET(m_window), shape);
  cairo_region_destroy(shape);

  if (m_services.createWebView) m_webView = m_services.createWebView(*this);

  if (!web::ClientInstalled(m_services.gameDir)) {
    if (m_services.startInstall) m_services.startInstall(MakeInstallControls());
    SetStatusText(install::kStatusDownloading);
    m_progress.SetPos(0);
  } else {
    SetStatusText(install::kStatusFinished);
    m_progress.SetRange(0, 100);
    m_progress.SetPos(100);
    g_bInstallFinished = true;
  }
  return true;
}

void MainDlg::Create() {
  BuildTemplate();
  DoDataExchange();
  OnInitDialog();
  gtk_widget_show_all(GTK_WIDGET(m_window));
  gtk_window_present(m_window);
}

int MainDlg::DoModal() {
  Create();
  if (m_window != nullptr) {
    m_bModal = true;
    gtk_main();
    m_bModal = false;
  }
  return m_nResult;
}

void MainDlg::EndDialog(int result) {
  m_nResult = result;
  DestroyWindow();
}

GtkWidget* MainDlg::GetDlgItem(int id) {
  switch (id) {
    case IDC_BTN_MIN:
      return m_btnMin.Widget();
    case IDC_BTN_CLOSE:
      return m_btnClose.Widget();
    case IDC_PROGRESS:
      return m_progress.Widget();
    case IDC_STATIC_STATUS:
      return GTK_WIDGET(m_staticStatus);
    case IDC_WEB_FRAME:
      return m_webFrame;
    default:
      return nullptr;
  }
}

void MainDlg::BringToFront() {
  if (m_window == nullptr) return;
  gtk_window_deiconify(m_window);
  gtk_widget_show(GTK_WIDGET(m_window));
  gtk_window_set_keep_above(m_window, TRUE);
  gtk_window_set_keep_above(m_window, FALSE);
  gtk_window_present(m_window);
}

std::int32_t MainDlg::WindowHandle() {
  return static_cast<std::int32_t>(platform::WindowIdOf(m_window ? GTK_WIDGET(m_window) : nullptr));
}

bool MainDlg::DestroyWindow() {
  if (m_window == nullptr) return false;
  gtk_widget_destroy(GTK_WIDGET(m_window));
  return true;
}

std::string MainDlg::StatusText() const { return m_staticStatus ? gtk_label_get_text(m_staticStatus) : ""; }

void MainDlg::SetStatusText(const std::string& text) {
  if (m_staticStatus == nullptr) return;
  // Hidden while the text changes so that the transparent line is drawn afresh over the picture.
  gtk_widget_hide(GTK_WIDGET(m_staticStatus));
  gtk_label_set_text(m_staticStatus, text.c_str());
  gtk_widget_show(GTK_WIDGET(m_staticStatus));
}

InstallControls MainDlg::MakeInstallControls() {
  std::shared_ptr<Lifeline> life = m_life;
  MainDlg* self = this;  // reached only through the lifeline, i.e. while the dialog exists
  InstallControls controls;
  controls.setStatusText = [life, self](const std::wstring& text) {
    life->Call([self, text] { self->SetStatusText(platform::WideToUtf8(text)); });
  };
  controls.setProgressRange = [life, self](int lower, int upper) {
    life->Call([self, lower, upper] { self->m_progress.SetRange32(lower, upper); });
  };
  controls.setProgressPos = [life, self](int position) {
    life->Call([self, position] { self->m_progress.SetPos(position); });
  };
  controls.paintProgress = [life, self] { life->Call([self] { self->m_progress.OnPaint(); }); };
  controls.messageBox = [life](const std::wstring& text, const std::wstring& caption) {
    life->Call([text, caption] { platform::ShowWarningBox(platform::WideToUtf8(text), platform::WideToUtf8(caption)); });
  };
  return controls;
}

void MainDlg::OnBnClickedMin() {
  if (m_window != nullptr) gtk_window_iconify(m_window);
}

void MainDlg::OnBnClickedClose() {
  if (!g_bInstallFinished) {
    platform::ShowWarningBox(install::kCloseGuardText, install::kBoxCaption);
    return;
  }
  DestroyWindow();
  // Only a launcher that really closes tells the platform client so.
  if (m_services.winId > 0) {
    auto record = CloseNoticeRecord();
    platform::SendCloseNotice(static_cast<platform::WindowId>(m_services.winId), m_services.winId, kCloseNoticeDataTag,
                              record);
  }
}

void MainDlg::OnCopyData() { LOG_MAIN("OnWnNotifygame "); }

void MainDlg::OnDestroyed() {
  m_life->Close();
  m_window = nullptr;
  if (m_bModal) gtk_main_quit();
}

}  // namespace ui
