#pragma once
// A picture held the way the controls draw it: a cairo image surface, 32-bit with premultiplied
// alpha when the PNG has an alpha channel, 24-bit otherwise.
#include <cstdint>
#include <span>

typedef struct _cairo_surface cairo_surface_t;
typedef struct _GdkPixbuf GdkPixbuf;

namespace ui {

class CImage {
 public:
  CImage() = default;
  ~CImage();
  CImage(const CImage&) = delete;
  CImage& operator=(const CImage&) = delete;

  bool IsNull() const { return m_surface == nullptr; }
  void Destroy();
  int GetWidth() const;
  int GetHeight() const;
  int GetBPP() const;  // 32 or 24; 0 when empty
  // Rows of 32-bit native pixels (cairo's layout), GetPitch() bytes apart; null when empty.
  const std::uint8_t* GetBits() const;
  int GetPitch() const;
  cairo_surface_t* Surface() const { return m_surface; }

  // Decodes PNG bytes; the image stays empty when they are no picture. No premultiplying.
  void Load(std::span<const unsigned char> png);

 private:
  cairo_surface_t* m_surface = nullptr;
};

// Fills `image` from the executable's resource ("PNG", id), premultiplied. False when there is no
// such resource; a resource that does not decode leaves the image empty and still gives true.
bool LoadPngResource(CImage& image, int id);

// The PNG resource (type, id) decoded as it is (a new reference), or null when it is missing or
// does not decode.
GdkPixbuf* DecodePngResource(const char* type, int id);

// The decode and premultiply step of LoadPngResource, over given bytes.
void LoadPngBytes(CImage& image, std::span<const unsigned char> png);

}  // namespace ui
