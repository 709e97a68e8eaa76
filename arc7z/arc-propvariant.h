#pragma once
// A property value in the plug-in's PROPVARIANT layout, so that its address can be handed to
// 7-Zip to fill. A string value owns its system string; moving a value moves the string.
#include <string>
#include <string_view>

#include "arc7z/sevenzip.h"

namespace arc7z {

enum class ArcPropKind {
  empty = 0,
  boolean = 1,
  string = 2,
  uint8 = 3,
  uint16 = 4,
  uint32 = 5,
  uint64 = 6,
  int8 = 7,
  int16 = 8,
  int32 = 9,
  int64 = 10,
  fileTime = 11,
};

class ArcPropVariant : public PROPVARIANT {
 public:
  ArcPropVariant() noexcept;
  explicit ArcPropVariant(std::wstring_view value);
  explicit ArcPropVariant(const wchar_t* value) : ArcPropVariant(std::wstring_view(value)) {}
  explicit ArcPropVariant(UInt32 value) noexcept;
  explicit ArcPropVariant(UInt64 value) noexcept;
  explicit ArcPropVariant(bool value) noexcept;
  explicit ArcPropVariant(FILETIME value) noexcept;
  ArcPropVariant(ArcPropVariant&& other) noexcept;
  ArcPropVariant& operator=(ArcPropVariant&& other) noexcept;
  ArcPropVariant(const ArcPropVariant&) = delete;
  ArcPropVariant& operator=(const ArcPropVariant&) = delete;
  ~ArcPropVariant();

  // Frees a held string and makes the value empty.
  void clear() noexcept;
  // Moves the value into a PROPVARIANT the plug-in owns (which must hold nothing to free).
  void detach(PROPVARIANT* target) noexcept;

  bool isEmpty() const { return vt == VT_EMPTY; }
  bool isString() const { return vt == VT_BSTR; }
  bool isUInt32() const;
  ArcPropKind kind() const;

  bool getBool() const;
  std::wstring getString() const;
  UInt32 getUInt32() const;
  FILETIME getFileTime() const;
};

}  // namespace arc7z
