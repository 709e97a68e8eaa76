#include "telemetry/md5.h"

#include <cstring>

namespace telemetry {
namespace {

constexpr std::uint32_t kShift[64] = {
    7, 12, 17, 22, 7, 12, 17, 22, 7, 12, 17, 22, 7, 12, 17, 22,
    5, 9,  14, 20, 5, 9,  14, 20, 5, 9,  14, 20, 5, 9,  14, 20,
    4, 11, 16, 23, 4, 11, 16, 23, 4, 11, 16, 23, 4, 11, 16, 23,
    6, 10, 15, 21, 6, 10, 15, 21, 6, 10, 15, 21, 6, 10, 15, 21,
};

// floor(abs(sin(i + 1)) * 2^32)
constexpr std::uint32_t kSine[64] = {
    0xd76aa478, 0xe8c7b756, 0x242070db, 0xc1bdceee, 0xf57c0faf, 0x4787c62a, 0xa8304613, 0xfd469501,
    0x698098d8, 0x8b44f7af, 0xffff5bb1, 0x895cd7be, 0x6b901122, 0xfd987193, 0xa679438e, 0x49b40821,
    0xf61e2562, 0xc040b340, 0x265e5a51, 0xe9b6c7aa, 0xd62f105d, 0x02441453, 0xd8a1e681, 0xe7d3fbc8,
    0x21e1cde6, 0xc33707d6, 0xf4d50d87, 0x455a14ed, 0xa9e3e905, 0xfcefa3f8, 0x676f02d9, 0x8d2a4c8a,
    0xfffa3942, 0x8771f681, 0x6d9d6122, 0xfde5380c, 0xa4beea44, 0x4bdecfa9, 0xf6bb4b60, 0xbebfbc70,
    0x289b7ec6, 0xeaa127fa, 0xd4ef3085, 0x04881d05, 0xd9d4d039, 0xe6db99e5, 0x1fa27cf8, 0xc4ac5665,
    0xf4292244, 0x432aff97, 0xab9423a7, 0xfc93a039, 0x655b59c3, 0x8f0ccc92, 0xffeff47d, 0x85845dd1,
    0x6fa87e4f, 0xfe2ce6e0, 0xa3014314, 0x4e0811a1, 0xf7537e82, 0xbd3af235, 0x2ad7d2bb, 0xeb86d391,
};

std::uint32_t RotateLeft(std::uint32_t x, std::uint32_t n) { return (x << n) | (x >> (32 - n)); }

void StoreLittleEndian(std::uint32_t value, std::uint8_t* out) {
  for (int i = 0; i < 4; ++i) out[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

}  // namespace

MD5::MD5()
    : m_state{0x67452301, 0xefcdab89, 0x98badcfe, 0x10325476}, m_count{0, 0}, m_buffer{}, m_digest{} {}

void MD5::Update(const void* bytes, std::size_t length) {
  m_finalized = false;
  const auto* input = static_cast<const std::uint8_t*>(bytes);
  std::size_t index = (m_count[0] >> 3) & 0x3F;

  const auto lowBits = static_cast<std::uint32_t>(length << 3);
  m_count[0] += lowBits;
  if (m_count[0] < lowBits) ++m_count[1];
  m_count[1] += static_cast<std::uint32_t>(length >> 29);

  const std::size_t room = 64 - index;
  std::size_t consumed = 0;
  if (length >= room) {
    std::memcpy(m_buffer + index, input, room);
    Transform(m_buffer);
    for (consumed = room; consumed + 64 <= length; consumed += 64) Transform(input + consumed);
    index = 0;
  }
  if (length > consumed) std::memcpy(m_buffer + index, input + consumed, length - consumed);
}

std::string MD5::HexDigest() {
  if (!m_finalized) Finalize();
  static constexpr char kHex[] = "0123456789abcdef";
  std::string text(32, '0');
  for (int i = 0; i < 16; ++i) {
    text[2 * i] = kHex[m_digest[i] >> 4];
    text[2 * i + 1] = kHex[m_digest[i] & 0x0F];
  }
  return text;
}

// Pads and closes a copy of the running message, so that Update can continue the original. The
// partial block is saved with the state: the padding overwrites it when it spills into a new block.
void MD5::Finalize() {
  std::uint32_t savedState[4];
  std::uint32_t savedCount[2];
  std::uint8_t savedBuffer[64];
  std::memcpy(savedState, m_state, sizeof m_state);
  std::memcpy(savedCount, m_count, sizeof m_count);
  std::memcpy(savedBuffer, m_buffer, sizeof m_buffer);

  std::uint8_t bitCount[8];
  StoreLittleEndian(m_count[0], bitCount);
  StoreLittleEndian(m_count[1], bitCount + 4);
  static constexpr std::uint8_t kPadding[64] = {0x80};
  const std::size_t index = (m_count[0] >> 3) & 0x3F;
  Update(kPadding, index < 56 ? 56 - index : 120 - index);
  Update(bitCount, sizeof bitCount);
  for (int i = 0; i < 4; ++i) StoreLittleEndian(m_state[i], m_digest + 4 * i);

  std::memcpy(m_state, savedState, sizeof m_state);
  std::memcpy(m_count, savedCount, sizeof m_count);
  std::memcpy(m_buffer, savedBuffer, sizeof m_buffer);
  m_finalized = true;
}

void MD5::Transform(const std::uint8_t block[64]) {
  std::uint32_t x[16];
  for (int i = 0; i < 16; ++i) {
    x[i] = static_cast<std::uint32_t>(block[4 * i]) | static_cast<std::uint32_t>(block[4 * i + 1]) << 8 |
           static_cast<std::uint32_t>(block[4 * i + 2]) << 16 | static_cast<std::uint32_t>(block[4 * i + 3]) << 24;
  }
  std::uint32_t a = m_state[0], b = m_state[1], c = m_state[2], d = m_state[3];
  for (int i = 0; i < 64; ++i) {
    std::uint32_t f;
    int g;
    if (i < 16) {
      f = (b & c) | (~b & d);
      g = i;
    } else if (i < 32) {
      f = (d & b) | (~d & c);
      g = (5 * i + 1) % 16;
    } else if (i < 48) {
      f = b ^ c ^ d;
      g = (3 * i + 5) % 16;
    } else {
      f = c ^ (b | ~d);
      g = (7 * i) % 16;
    }
    const std::uint32_t next = b + RotateLeft(a + f + kSine[i] + x[g], kShift[i]);
    a = d;
    d = c;
    c = b;
    b = next;
  }
  m_state[0] += a;
  m_state[1] += b;
  m_state[2] += c;
  m_state[3] += d;
}

}  // namespace telemetry
