// The layer's exception and its property value type.
#include <gtest/gtest.h>

#include <cstring>

#include "arc7z/arc-exception.h"
#include "arc7z/arc-propvariant.h"
#include "arc7z/sys-string.h"

namespace arc7z {
namespace {

TEST(ArcException, systemErrorNumbersBecomeResultCodes) {
  const struct {
    int number;
    UInt32 code;
  } cases[] = {{0, 0}, {-5, static_cast<UInt32>(-5)}, {2, 0x80070002u}, {126, 0x8007007Eu},
               {0x12345, 0x80072345u}};
  for (const auto& c : cases) {
    const ArcException e(L"x", ArcException::SystemError{c.number});
    EXPECT_EQ(static_cast<UInt32>(e.errorCode()), c.code) << c.number;
  }
}

TEST(ArcException, textIsTheUtf8OfTheWideMessage) {
  const ArcException wideText(L"Cannot open archive '/t/\u4e0b\u8f7d\U0001F600.7z'", 110);
  EXPECT_STREQ(wideText.what(), "Cannot open archive '/t/\xe4\xb8\x8b\xe8\xbd\xbd\xf0\x9f\x98\x80.7z'");
  EXPECT_EQ(wideText.errorCode(), 110);
  const ArcException byteText(std::string("bytes \xc3\xa9"), kErrorFail);
  EXPECT_STREQ(byteText.what(), "bytes \xc3\xa9");
  EXPECT_EQ(byteText.errorCode(), kErrorFail);
  const std::runtime_error& base = wideText;  // the install worker may catch it as either
  EXPECT_NE(std::strlen(base.what()), 0u);
}

TEST(ArcPropVariant, kindFollowsTheTypeTag) {
  const struct {
    VARTYPE vt;
    ArcPropKind kind;
  } cases[] = {
      {VT_EMPTY, ArcPropKind::empty}, {VT_BOOL, ArcPropKind::boolean},
      {VT_BSTR, ArcPropKind::string}, {VT_UI1, ArcPropKind::uint8},
      {VT_UI2, ArcPropKind::uint16},  {VT_UI4, ArcPropKind::uint32},
      {VT_UINT, ArcPropKind::uint32}, {VT_UI8, ArcPropKind::uint64},
      {VT_I1, ArcPropKind::int8},     {VT_I2, ArcPropKind::int16},
      {VT_I4, ArcPropKind::int32},    {VT_INT, ArcPropKind::int32},
      {VT_I8, ArcPropKind::int64},    {VT_FILETIME, ArcPropKind::fileTime},
  };
  for (const auto& c : cases) {
    ArcPropVariant v;
    v.vt = c.vt;
    if (c.vt == VT_BSTR) v.bstrVal = nullptr;
    EXPECT_EQ(v.kind(), c.kind) << c.vt;
  }
  ArcPropVariant unsupported;
  unsupported.vt = 5;  // VT_R8
  try {
    (void)unsupported.kind();
    FAIL();
  } catch (const ArcException& e) {
    EXPECT_STREQ(e.what(), "Property type not supported");
    EXPECT_EQ(e.errorCode(), kErrorInvalidArgument);
  }
  unsupported.vt = VT_EMPTY;
}

TEST(ArcPropVariant, constructorsStoreTheirTags) {
  const ArcPropVariant yes(true), no(false);
  EXPECT_EQ(yes.vt, VT_BOOL);
  EXPECT_EQ(yes.boolVal, -1);
  EXPECT_EQ(no.boolVal, 0);
  EXPECT_TRUE(yes.getBool());
  EXPECT_FALSE(no.getBool());

  const ArcPropVariant u32(UInt32{0xFFFFFFFF}), u64(UInt64{1} << 40);
  EXPECT_EQ(u32.vt, VT_UI4);
  EXPECT_TRUE(u32.isUInt32());
  EXPECT_EQ(u32.getUInt32(), 0xFFFFFFFFu);
  EXPECT_EQ(u64.vt, VT_UI8);
  EXPECT_FALSE(u64.isUInt32());
  EXPECT_EQ(u64.uhVal, UInt64{1} << 40);

  const ArcPropVariant time(FILETIME{0x89ABCDEF, 0x01234567});
  EXPECT_EQ(time.vt, VT_FILETIME);
  EXPECT_EQ(time.getFileTime().dwHighDateTime, 0x01234567u);

  const ArcPropVariant text(L"\u6e38\u620f/\U0001F600");
  EXPECT_TRUE(text.isString());
  EXPECT_EQ(sysStringLength(text.bstrVal), 4u);
  EXPECT_EQ(text.getString(), L"\u6e38\u620f/\U0001F600");
  EXPECT_TRUE(ArcPropVariant().isEmpty());
}

TEST(ArcPropVariant, narrowUnsignedTagsWiden) {
  ArcPropVariant v;
  v.vt = VT_UI1;
  v.bVal = 200;
  EXPECT_EQ(v.getUInt32(), 200u);
  v.vt = VT_UI2;
  v.uiVal = 60000;
  EXPECT_EQ(v.getUInt32(), 60000u);
  v.vt = VT_UINT;
  v.uintVal = 7;
  EXPECT_EQ(v.getUInt32(), 7u);
  v.vt = VT_BSTR;
  v.bstrVal = nullptr;
  EXPECT_EQ(v.getString(), L"");  // a null system string reads as empty text
}

TEST(ArcPropVariant, wrongTagThrowsItsOwnMessage) {
  const ArcPropVariant number(UInt64{5}), text(L"5");
  const struct {
    const char* message;
    void (*read)(const ArcPropVariant&);
    const ArcPropVariant& value;
  } cases[] = {
      {"ArcPropVariant is not a bool", [](const ArcPropVariant& v) { (void)v.getBool(); }, number},
      {"ArcPropVariant is not a string", [](const ArcPropVariant& v) { (void)v.getString(); }, number},
      {"ArcPropVariant is not a 32-bits unsigned integer",
       [](const ArcPropVariant& v) { (void)v.getUInt32(); }, number},
      {"ArcPropVariant is not a FILETIME", [](const ArcPropVariant& v) { (void)v.getFileTime(); }, text},
  };
  for (const auto& c : cases) {
    try {
      c.read(c.value);
      ADD_FAILURE() << c.message;
    } catch (const ArcException& e) {
      EXPECT_STREQ(e.what(), c.message);
      EXPECT_EQ(e.errorCode(), kErrorFail);
    }
  }
}

TEST(ArcPropVariant, assignmentMovesTheStringAndClearsTheOld) {
  ArcPropVariant a(L"first");
  ArcPropVariant b(L"second");
  const BSTR first = a.bstrVal;
  b = std::move(a);  // "second" is freed (LeakSanitizer would tell), "first" moves
  EXPECT_TRUE(a.isEmpty());
  EXPECT_EQ(b.bstrVal, first);
  ArcPropVariant c(std::move(b));
  EXPECT_TRUE(b.isEmpty());
  EXPECT_EQ(c.getString(), L"first");

  PROPVARIANT target{};
  c.detach(&target);
  EXPECT_TRUE(c.isEmpty());
  EXPECT_EQ(sysStringText(target.bstrVal), L"first");
  freeSysString(target.bstrVal);
}

}  // namespace
}  // namespace arc7z
