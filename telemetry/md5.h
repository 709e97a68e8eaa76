#pragma once
// MD5 (RFC 1321) as the report signature needs it. HexDigest does not end the message: further
// Update calls continue it, so a digest can be read at any point of a long input.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace telemetry {

class MD5 {
 public:
  MD5();

  void Update(const void* bytes, std::size_t length);
  void Update(std::string_view text) { Update(text.data(), text.size()); }

  // 32 lower-case hexadecimal characters of the digest of everything updated so far.
  std::string HexDigest();

 private:
  void Transform(const std::uint8_t block[64]);
  void Finalize();

  std::uint32_t m_state[4];
  std::uint32_t m_count[2];  // bit count, low word first
  std::uint8_t m_buffer[64];
  std::uint8_t m_digest[16];
  bool m_finalized = false;
};

}  // namespace telemetry
