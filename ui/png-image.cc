#include "ui/png-image.h"

#include <cairo.h>
#include <gdk-pixbuf/gdk-pixbuf.h>

#include <optional>

#include "platform/resources.h"
#include "ui/premultiply.h"

namespace ui {
namespace {

GdkPixbuf* DecodePng(std::span<const unsigned char> png) {
  if (png.empty()) return nullptr;
  GdkPixbufLoader* loader = gdk_pixbuf_loader_new_with_type("png", nullptr);
  if (loader == nullptr) return nullptr;
  GdkPixbuf* pixbuf = nullptr;
  if (gdk_pixbuf_loader_write(loader, png.data(), png.size(), nullptr) && gdk_pixbuf_loader_close(loader, nullptr)) {
    pixbuf = gdk_pixbuf_loader_get_pixbuf(loader);
    if (pixbuf != nullptr) g_object_ref(pixbuf);
  } else {
    gdk_pixbuf_loader_close(loader, nullptr);
  }
  g_object_unref(loader);
  return pixbuf;
}

}  // namespace

GdkPixbuf* DecodePngResource(const char* type, int id) {
  std::optional<std::span<const unsigned char>> bytes = platform::FindResource(type, id);
  return bytes ? DecodePng(*bytes) : nullptr;
}

CImage::~CImage() { Destroy(); }

void CImage::Destroy() {
  if (m_surface != nullptr) cairo_surface_destroy(m_surface);
  m_surface = nullptr;
}

int CImage::GetWidth() const { return m_surface ? cairo_image_surface_get_width(m_surface) : 0; }
int CImage::GetHeight() const { return m_surface ? cairo_image_surface_get_height(m_surface) : 0; }
int CImage::GetPitch() const { return m_surface ? cairo_image_surface_get_stride(m_surface) : 0; }

int CImage::GetBPP() const {
  if (m_surface == nullptr) return 0;
  return cairo_image_surface_get_format(m_surface) == CAIRO_FORMAT_ARGB32 ? 32 : 24;
}

const std::uint8_t* CImage::GetBits() const {
  if (m_surface == nullptr) return nullptr;
  cairo_surface_flush(m_surface);
  return cairo_image_surface_get_data(m_surface);
}

void CImage::Load(std::span<const unsigned char> png) {
  Destroy();
  GdkPixbuf* pixbuf = DecodePng(png);
  if (pixbuf == nullptr) return;
  const int width = gdk_pixbuf_get_width(pixbuf);
  const int height = gdk_pixbuf_get_height(pixbuf);
  const int channels = gdk_pixbuf_get_n_channels(pixbuf);
  const bool alpha = gdk_pixbuf_get_has_alpha(pixbuf);
  const int srcStride = gdk_pixbuf_get_rowstride(pixbuf);
  const guchar* src = gdk_pixbuf_read_pixels(pixbuf);

  cairo_surface_t* surface = cairo_image_surface_create(alpha ? CAIRO_FORMAT_ARGB32 : CAIRO_FORMAT_RGB24, width, height);
  if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
    cairo_surface_destroy(surface);
    g_object_unref(pixbuf);
    return;
  }
  // Straight (not yet premultiplied) values in cairo's native 32-bit layout.
  std::uint8_t* dst = cairo_image_surface_get_data(surface);
  const int dstStride = cairo_image_surface_get_stride(surface);
  for (int y = 0; y < height; ++y) {
    const guchar* s = src + static_cast<std::ptrdiff_t>(y) * srcStride;
    auto* d = reinterpret_cast<std::uint32_t*>(dst + static_cast<std::ptrdiff_t>(y) * dstStride);
    for (int x = 0; x < width; ++x, s += channels) {
      std::uint32_t a = alpha ? s[3] : 0xFF;
      d[x] = (a << 24) | (std::uint32_t{s[0]} << 16) | (std::uint32_t{s[1]} << 8) | s[2];
    }
  }
  cairo_surface_mark_dirty(surface);
  g_object_unref(pixbuf);
  m_surface = surface;
}

void LoadPngBytes(CImage& image, std::span<const unsigned char> png) {
  image.Load(png);
  if (image.GetBPP() != 32) return;
  cairo_surface_t* surface = image.Surface();
  cairo_surface_flush(surface);
  std::uint8_t* bits = cairo_image_surface_get_data(surface);
  const int stride = cairo_image_surface_get_stride(surface);
  for (int y = 0; y < image.GetHeight(); ++y) {
    auto* row = reinterpret_cast<std::uint32_t*>(bits + static_cast<std::ptrdiff_t>(y) * stride);
    for (int x = 0; x < image.GetWidth(); ++x) row[x] = PremultiplyPixel(row[x]);
  }
  cairo_surface_mark_dirty(surface);
}

bool LoadPngResource(CImage& image, int id) {
  image.Destroy();
  std::optional<std::span<const unsigned char>> bytes = platform::FindResource("PNG", id);
  if (!bytes) return false;
  LoadPngBytes(image, *bytes);
  return true;
}

}  // namespace ui
