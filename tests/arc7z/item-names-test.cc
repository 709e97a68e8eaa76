#include "arc7z/item-names.h"

#include <gtest/gtest.h>

#include "platform/encoding.h"

namespace {

TEST(ItemNames, windowsRulesRefuseDrivesSharesStreamsAndDevices) {
  struct Case {
    const wchar_t* name;
    bool unsafe;
  };
  const Case cases[] = {
      {L"game/data.pak", false},
      {L"game\\data.pak", false},
      {L"./a/./b", false},
      {L"console/conx.txt", false},    // a device name is the whole stem
      {L"COM10", false},
      {L"...hidden", false},
      {L"C:x", true},                  // relative to drive C's current folder
      {L"c:\\Windows\\win.ini", true},
      {L"\\\\server\\share\\f", true},
      {L"//server/share/f", true},
      {L"\\rooted", true},
      {L"a.txt:stream", true},
      {L"dir/file::$DATA", true},
      {L"NUL", true},
      {L"sub/aux.log", true},
      {L"Com1.txt", true},
      {L"lpt9", true},
      {L"con .txt", true},
      {L"name.", true},                // opened as "name"
      {L"name ", true},
      {L".. /x", true},                // would walk up once trimmed
      {L"a/... /b", true},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(arc7z::isUnsafeOnWindows(c.name), c.unsafe) << platform::WideToUtf8(c.name);
  }
}

}  // namespace
