#include "ui/close-notice.h"

#include <string_view>

namespace ui {
namespace {

void PutLe32(std::uint8_t* at, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) at[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

}  // namespace

std::array<std::uint8_t, kCloseNoticeSize> CloseNoticeRecord() {
  constexpr std::size_t kTextOffset = 4;
  constexpr std::size_t kTextUnits = 260;
  std::array<std::uint8_t, kCloseNoticeSize> record{};
  PutLe32(record.data(), 1);
  std::u16string_view text = u"1";
  for (std::size_t i = 0; i < text.size() && i < kTextUnits - 1; ++i) {
    record[kTextOffset + 2 * i] = static_cast<std::uint8_t>(text[i] & 0xFF);
    record[kTextOffset + 2 * i + 1] = static_cast<std::uint8_t>(text[i] >> 8);
  }
  PutLe32(record.data() + kTextOffset + 2 * kTextUnits, 1);
  return record;
}

}  // namespace ui
