#pragma once
// A minimal 7z writer for archives the 7z program will not make: names it would never store
// (lone surrogates, line breaks, two names for one file) and items with a wrong checksum. One
// folder, stored (the Copy method), no times or attributes.
#include <cstdint>
#include <string>
#include <vector>

namespace arc7z::test {

struct WrittenItem {
  std::wstring name;  // UTF-16 code units, or code points beyond the BMP
  std::string data;   // not empty
  bool wrongChecksum = false;
};

inline std::uint32_t crc32(const std::string& bytes) {
  std::uint32_t crc = 0xFFFFFFFFu;
  for (const unsigned char byte : bytes) {
    crc ^= byte;
    for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
  }
  return ~crc;
}

inline void putNumber(std::string& out, std::uint64_t value) {
  int extra = 0;
  while (extra < 8 && value >= (std::uint64_t{1} << (7 * (extra + 1)))) ++extra;
  if (extra == 8) {
    out += '\xFF';
  } else {
    out += static_cast<char>(((0xFF00u >> extra) & 0xFF) | (value >> (8 * extra)));
  }
  for (int i = 0; i < extra; ++i) out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

inline void putLittleEndian(std::string& out, std::uint64_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

inline std::string sevenZipArchive(const std::vector<WrittenItem>& items) {
  std::string packed;
  for (const auto& item : items) packed += item.data;

  std::string names(1, '\0');  // not external
  for (const auto& item : items) {
    for (const wchar_t c : item.name) {
      const auto value = static_cast<std::uint32_t>(c);
      if (value > 0xFFFF) {
        putLittleEndian(names, 0xD800 + ((value - 0x10000) >> 10), 2);
        putLittleEndian(names, 0xDC00 + ((value - 0x10000) & 0x3FF), 2);
      } else {
        putLittleEndian(names, value, 2);
      }
    }
    putLittleEndian(names, 0, 2);
  }

  std::string header = "\x01\x04\x06";  // header, main streams, pack info
  putNumber(header, 0);                   // pack position
  putNumber(header, 1);                   // one pack stream
  header += '\x09';
  putNumber(header, packed.size());
  header += '\x00';
  header += "\x07\x0B";                   // unpack info, folders
  putNumber(header, 1);
  header += '\x00';                       // not external
  header += std::string("\x01\x01\x00", 3);  // one coder with a one-byte id: Copy
  header += '\x0C';
  putNumber(header, packed.size());
  header += '\x00';
  header += "\x08\x0D";                   // substreams: one per item
  putNumber(header, items.size());
  header += '\x09';
  for (std::size_t i = 0; i + 1 < items.size(); ++i) putNumber(header, items[i].data.size());
  header += "\x0A\x01";                   // every checksum defined
  for (const auto& item : items) putLittleEndian(header, crc32(item.data) ^ (item.wrongChecksum ? 1u : 0u), 4);
  header += '\x00';
  header += '\x00';                       // end of the streams
  header += '\x05';                       // files
  putNumber(header, items.size());
  header += '\x11';                       // names
  putNumber(header, names.size());
  header += names;
  header += '\x00';
  header += '\x00';                       // end of the header

  std::string start;
  putLittleEndian(start, packed.size(), 8);
  putLittleEndian(start, header.size(), 8);
  putLittleEndian(start, crc32(header), 4);
  std::string archive("7z\xBC\xAF\x27\x1C\x00\x04", 8);
  putLittleEndian(archive, crc32(start), 4);
  return archive + start + packed + header;
}

}  // namespace arc7z::test
