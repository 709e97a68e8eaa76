#include <cstring>

#include "util/cvlog/cvlog.h"

namespace cvlog {
namespace {

// A number is written only with more room than its longest form needs, so it is never cut.
constexpr std::ptrdiff_t kNumberRoom = 64;

}  // namespace

void RecordWriter::text(const char* s, size_t length) {
  const size_t room = static_cast<size_t>(end_ - cursor_);
  const size_t n = length < room ? length : room;
  if (n == 0) return;
  std::memcpy(cursor_, s, n);
  cursor_ += n;
}

void RecordWriter::character(char c) {
  if (end_ - cursor_ > 1) *cursor_++ = c;
}

void RecordWriter::number(std::uint64_t value, int width, int base) {
  if (end_ - cursor_ <= kNumberRoom) return;
  static constexpr char kUpper[] = "0123456789ABCDEF";
  static constexpr char kLower[] = "0123456789abcdef";
  if (base < 2 || base > 16) base = 10;
  const char* digits = base == 16 ? kUpper : kLower;
  char reversed[64];
  int count = 0;
  do {
    reversed[count++] = digits[value % static_cast<unsigned>(base)];
    value /= static_cast<unsigned>(base);
  } while (value != 0);
  // The fill is capped so that digits and fill stay within the guaranteed room.
  const int fill = width > kNumberRoom ? kNumberRoom - count : width - count;
  for (int i = 0; i < fill; ++i) *cursor_++ = '0';
  while (count > 0) *cursor_++ = reversed[--count];
}

void RecordWriter::signedNumber(std::int64_t value) {
  if (value < 0) character('-');
  // Negating in unsigned arithmetic keeps the most negative value exact.
  const std::uint64_t magnitude = value < 0 ? 0 - static_cast<std::uint64_t>(value) : static_cast<std::uint64_t>(value);
  number(magnitude);
}

void RecordWriter::pointer(const void* p) {
  // Every digit of the address, so that two pointers printed differ wherever they differ.
  number(reinterpret_cast<std::uintptr_t>(p), static_cast<int>(2 * sizeof(void*)), 16);
}

}  // namespace cvlog
