#pragma once
// Archive format descriptors: the plug-in's format id and the usual file extension.
#include "arc7z/sevenzip.h"

namespace arc7z {

struct ArcFormat {
  unsigned char id;
  const wchar_t* extension;

  // The plug-in's handler class id {23170F69-40C1-278A-1000-000110xx0000}, xx = id.
  constexpr GUID classId() const {
    return GUID{0x23170F69, 0x40C1, 0x278A, {0x10, 0x00, 0x00, 0x01, 0x10, id, 0x00, 0x00}};
  }
};

inline constexpr ArcFormat kFormatZip{0x01, L".zip"};
inline constexpr ArcFormat kFormatBZip2{0x02, L".bz2"};
inline constexpr ArcFormat kFormatSevenZip{0x07, L".7z"};
inline constexpr ArcFormat kFormatXz{0x0C, L".xz"};
inline constexpr ArcFormat kFormatWim{0xE6, L".wim"};
inline constexpr ArcFormat kFormatTar{0xEE, L".tar"};
inline constexpr ArcFormat kFormatGZip{0xEF, L".gz"};

}  // namespace arc7z
