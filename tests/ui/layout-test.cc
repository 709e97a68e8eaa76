#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstring>
#include <vector>

#include "ui/close-notice.h"
#include "ui/dialog-layout.h"
#include "ui/premultiply.h"
#include "ui/progress-fill.h"
#include "ui/window-shape.h"

namespace ui {
namespace {

TEST(DialogLayout, StatusLineAndTemplateKeepTheirDialogUnitPlaces) {
  EXPECT_EQ(DialogUnitsToPixels(kStatusLineDu), (Rect{455, 606, 60, 18}));
  EXPECT_EQ(DialogUnitsToPixels(kWebFrameDu), (Rect{494, 133, 645, 439}));
  EXPECT_EQ(DialogUnitsToPixels(kDialogTemplateDu), (Rect{0, 0, 1287, 725}));
}

TEST(DialogLayout, CentresOnThePrimaryMonitorOnlyWhereItIsLarger) {
  struct Case {
    Rect monitor;
    Point current, expected;
  };
  const Case cases[] = {
      {{0, 0, 1920, 1080}, {0, 0}, {320, 177}},
      {{0, 0, 1280, 720}, {0, 0}, {0, 0}},       // neither larger: both edges stay
      {{0, 0, 1280, 720}, {12, 34}, {12, 34}},
      {{0, 0, 1920, 725}, {5, 9}, {320, 9}},     // exactly as tall: the top stays
      {{0, 0, 1281, 726}, {5, 9}, {0, 0}},       // one pixel larger: (1) / 2 truncates to 0
      {{0, 0, 1000, 2000}, {-3, 0}, {-3, 637}},
      // A primary monitor right of or below another one: centred on it, not on the first.
      {{1920, 0, 1920, 1080}, {0, 0}, {2240, 177}},
      {{1280, 360, 2560, 1440}, {0, 0}, {1920, 717}},
      {{-1920, 0, 1920, 1200}, {7, 8}, {-1600, 237}},
      {{1920, 100, 1280, 720}, {7, 8}, {7, 8}},  // no larger: the edges stay, wherever it is
  };
  for (const Case& c : cases) {
    EXPECT_EQ(CenteredOrigin(c.monitor, c.current), c.expected)
        << c.monitor.x << "," << c.monitor.y << " " << c.monitor.width << "x" << c.monitor.height;
  }
}

TEST(ProgressFill, FollowsTheDoublePrecisionRule) {
  struct Case {
    int width, lower, upper, position, filled;
  };
  const Case cases[] = {
      {556, 0, 100, 50, 278},
      {556, 0, 100, 75, 416},   // 5.56 * 75 is just under 417
      {556, 0, 100, 100, 556},
      {556, 0, 100, 0, 0},
      {556, 1000, 5000, 3000, 417},  // the position itself, not position - lower
      {556, 1000, 5000, 5000, 556},  // computed wider than the bar: clipped
      {556, 1000, 5000, 500, 69},
      {556, 7, 7, 7, 0},             // empty range: the track only
      {556, 0, 100, -20, 0},
      {556, 100, 0, 50, 0},          // reversed range gives a negative width: nothing
      {0, 0, 100, 50, 0},
      {554, 500, 2000, 500, 184},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ProgressFillWidth(c.width, c.lower, c.upper, c.position), c.filled)
        << c.width << " " << c.lower << ".." << c.upper << " @" << c.position;
  }
}

// Rows of cairo ARGB32 pixels built from alpha values; colour bytes carry noise that must not matter.
struct AlphaPicture {
  int width, height, stride;
  std::vector<std::uint8_t> bytes;
  AlphaPicture(std::vector<std::vector<int>> rows, int padding = 0)
      : width(static_cast<int>(rows[0].size())), height(static_cast<int>(rows.size())), stride(width * 4 + padding) {
    bytes.assign(static_cast<size_t>(stride) * height, 0xEE);
    for (int y = 0; y < height; ++y) {
      for (int x = 0; x < width; ++x) {
        std::uint32_t pixel = (static_cast<std::uint32_t>(rows[y][x]) << 24) | 0x00FFFFFFu;
        std::memcpy(&bytes[static_cast<size_t>(y) * stride + x * 4], &pixel, 4);
      }
    }
  }
};

TEST(WindowShape, OneRectanglePerRunAtAlpha120AndAbove) {
  AlphaPicture picture({
      {0, 119, 120, 255, 119, 200},  // run 2..3, run 5..5 (touching the right edge)
      {119, 119, 119, 119, 119, 119},  // nothing
      {255, 255, 255, 255, 255, 255},  // whole row
      {120, 0, 120, 0, 120, 0},
  }, /*padding=*/8);
  std::vector<Rect> rects = ShapeRectangles(picture.bytes.data(), picture.width, picture.height, picture.stride);
  std::vector<Rect> expected = {
      {2, 0, 2, 1}, {5, 0, 1, 1}, {0, 2, 6, 1}, {0, 3, 1, 1}, {2, 3, 1, 1}, {4, 3, 1, 1},
  };
  EXPECT_EQ(rects, expected);
}

TEST(WindowShape, NoPictureGivesAnEmptyShape) {
  EXPECT_TRUE(ShapeRectangles(nullptr, 0, 0, 0).empty());
  AlphaPicture clear({{0, 10, 119}});
  EXPECT_TRUE(ShapeRectangles(clear.bytes.data(), clear.width, clear.height, clear.stride).empty());
}

TEST(CloseNotice, RecordBytes) {
  std::array<std::uint8_t, kCloseNoticeSize> record = CloseNoticeRecord();
  std::array<std::uint8_t, 528> expected{};
  expected[0] = 1;      // the integer 1
  expected[4] = '1';    // UTF-16LE "1", zero-filled to 260 units
  expected[524] = 1;    // the integer 1 after the text
  EXPECT_EQ(record, expected);
  EXPECT_EQ(kCloseNoticeDataTag, 1);
}

TEST(Premultiply, IntegerRuleTruncatesAndKeepsAlpha) {
  EXPECT_EQ(PremultiplyPixel(0x00A1B2C3u), 0x00000000u);  // fully transparent turns black
  EXPECT_EQ(PremultiplyPixel(0xFFA1B2C3u), 0xFFA1B2C3u);  // opaque keeps its colour
  // 200 * 128 / 255 = 100.39, 255 * 128 / 255 = 128, 1 * 128 / 255 = 0.5
  EXPECT_EQ(PremultiplyPixel(0x80C8FF01u), 0x80648000u);
  EXPECT_EQ(PremultiplyChannel(254, 1), 0);
  EXPECT_EQ(PremultiplyChannel(255, 1), 1);
}

}  // namespace
}  // namespace ui
