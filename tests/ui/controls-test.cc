// The picture loader against the real embedded art, and the picture button on its own.
#include <gtest/gtest.h>
#include <gtk/gtk.h>

#include <cstring>

#include "gui-environment.h"
#include "platform/resources.h"
#include "platform/top-level-window-gtk.h"
#include "ui/pic-button.h"
#include "ui/png-image.h"
#include "ui/premultiply.h"
#include "x-server.h"

namespace ui {
namespace {

using namespace std::chrono_literals;

std::uint32_t PixelOf(const CImage& image, int x, int y) {
  std::uint32_t p;
  std::memcpy(&p, image.GetBits() + y * image.GetPitch() + x * 4, 4);
  return p;
}

// The picture's own straight (not premultiplied) pixel as 0xAARRGGBB.
std::uint32_t StraightPixel(std::span<const unsigned char> png, int x, int y) {
  GdkPixbufLoader* loader = gdk_pixbuf_loader_new();
  gdk_pixbuf_loader_write(loader, png.data(), png.size(), nullptr);
  gdk_pixbuf_loader_close(loader, nullptr);
  GdkPixbuf* pixbuf = gdk_pixbuf_loader_get_pixbuf(loader);
  const guchar* s = gdk_pixbuf_read_pixels(pixbuf) + y * gdk_pixbuf_get_rowstride(pixbuf) + x * 4;
  std::uint32_t p = (std::uint32_t{s[3]} << 24) | (std::uint32_t{s[0]} << 16) | (std::uint32_t{s[1]} << 8) | s[2];
  g_object_unref(loader);
  return p;
}

TEST(LoadPngResource, LoadsTheButtonPicturesPremultiplied) {
  struct Case {
    int id, size;
  };
  for (Case c : {Case{131, 27}, Case{137, 39}}) {
    auto png = platform::FindResource("PNG", c.id);
    ASSERT_TRUE(png) << c.id;
    CImage image;
    ASSERT_TRUE(LoadPngResource(image, c.id));
    ASSERT_EQ(image.GetWidth(), c.size);
    ASSERT_EQ(image.GetHeight(), c.size);
    EXPECT_EQ(image.GetBPP(), 32);

    // Corner: fully transparent and black afterwards, whatever colour the file stores there.
    EXPECT_EQ(StraightPixel(*png, 0, 0) >> 24, 0u);
    EXPECT_EQ(PixelOf(image, 0, 0), 0u) << c.id;
    // Centre of the disc: opaque, unchanged.
    int m = c.size / 2;
    ASSERT_EQ(StraightPixel(*png, m, 2) >> 24, 255u);
    EXPECT_EQ(PixelOf(image, m, 2), StraightPixel(*png, m, 2)) << c.id;
    // Every pixel follows the integer rule.
    for (int y = 0; y < c.size; ++y) {
      for (int x = 0; x < c.size; ++x) {
        ASSERT_EQ(PixelOf(image, x, y), PremultiplyPixel(StraightPixel(*png, x, y))) << c.id << " " << x << "," << y;
      }
    }
  }
}

TEST(LoadPngResource, AMissingResourceGivesFalseAndAnEmptyImage) {
  CImage image;
  ASSERT_TRUE(LoadPngResource(image, 131));
  EXPECT_FALSE(LoadPngResource(image, 4242));  // the old picture is dropped first
  EXPECT_TRUE(image.IsNull());
  EXPECT_EQ(image.GetBPP(), 0);
}

TEST(LoadPngResource, BytesThatAreNoPictureLeaveTheImageEmpty) {
  const unsigned char junk[] = "\x89PNG but not really";
  CImage image;
  LoadPngBytes(image, std::span<const unsigned char>(junk, sizeof junk));
  EXPECT_TRUE(image.IsNull());
  LoadPngBytes(image, {});
  EXPECT_TRUE(image.IsNull());
}

TEST(LoadPngResource, APictureWithoutAlphaIsLeftAsItIs) {
  GdkPixbuf* rgb = gdk_pixbuf_new(GDK_COLORSPACE_RGB, FALSE, 8, 3, 2);
  gdk_pixbuf_fill(rgb, 0x80402000);
  gchar* buffer = nullptr;
  gsize size = 0;
  ASSERT_TRUE(gdk_pixbuf_save_to_buffer(rgb, &buffer, &size, "png", nullptr, nullptr));
  CImage image;
  LoadPngBytes(image, std::span<const unsigned char>(reinterpret_cast<unsigned char*>(buffer), size));
  EXPECT_EQ(image.GetBPP(), 24);
  EXPECT_EQ(PixelOf(image, 2, 1) & 0x00FFFFFFu, 0x804020u);
  g_free(buffer);
  g_object_unref(rgb);
}

// A picture button alone in a window, for what it does without a picture.
TEST(PicButton, WithoutAPictureItDrawsNothingAndStillClicks) {
  GtkWidget* window = uitest::BorderlessWindow(100, 100, 200, 200);
  GtkWidget* fixed = gtk_fixed_new();
  gtk_container_add(GTK_CONTAINER(window), fixed);
  GtkWidget* box = gtk_event_box_new();
  gtk_event_box_set_visible_window(GTK_EVENT_BOX(box), FALSE);
  gtk_widget_set_size_request(box, 40, 40);
  gtk_fixed_put(GTK_FIXED(fixed), box, 50, 50);

  CPicButton button;
  button.Attach(box);
  int clicks = 0;
  button.SetOnClicked([&] { ++clicks; });
  gtk_widget_show_all(window);
  platform::WindowId xid = 0;
  ASSERT_TRUE(uitest::PumpUntil([&] {
    xid = platform::WindowIdOf(window);
    return xid != 0 && uitest::WindowGeometry(xid).viewable;
  }));
  uitest::PumpFor(200ms);
  uitest::Geometry g = uitest::WindowGeometry(xid);
  uitest::XDoTool("mousemove " + std::to_string(g.x + 70) + " " + std::to_string(g.y + 70) + " click 1");
  EXPECT_TRUE(uitest::PumpUntil([&] { return clicks == 1; }));
  // A press that leaves the button before its release is no click.
  uitest::XDoTool("mousedown 1 mousemove " + std::to_string(g.x + 150) + " " + std::to_string(g.y + 150) +
                  " mouseup 1");
  uitest::PumpFor(300ms);
  EXPECT_EQ(clicks, 1);
  gtk_widget_destroy(window);
  EXPECT_EQ(button.Widget(), nullptr);
}

}  // namespace
}  // namespace ui
