#include "arc7z/item-names.h"

namespace arc7z {
namespace {

bool isHighSurrogate(wchar_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool isLowSurrogate(wchar_t c) { return c >= 0xDC00 && c <= 0xDFFF; }
bool isControl(unsigned long c) { return c < 0x20 || (c >= 0x7F && c <= 0x9F); }

template <class Char>
void appendEscape(std::basic_string<Char>& out, unsigned long c) {
  switch (c) {
    case '\n': out += static_cast<Char>('\\'); out += static_cast<Char>('n'); return;
    case '\r': out += static_cast<Char>('\\'); out += static_cast<Char>('r'); return;
    case '\t': out += static_cast<Char>('\\'); out += static_cast<Char>('t'); return;
    default: break;
  }
  static constexpr char kHex[] = "0123456789ABCDEF";
  const int digits = c > 0xFF ? 4 : 2;
  out += static_cast<Char>('\\');
  out += static_cast<Char>(digits == 4 ? 'u' : 'x');
  for (int shift = (digits - 1) * 4; shift >= 0; shift -= 4) {
    out += static_cast<Char>(kHex[(c >> shift) & 0xF]);
  }
}

}  // namespace

bool convertsExactly(std::wstring_view name) {
  for (std::size_t i = 0; i < name.size(); ++i) {
    const wchar_t c = name[i];
    if (c == L'\0' || static_cast<unsigned long>(c) > 0x10FFFF || isLowSurrogate(c)) return false;
    if (isHighSurrogate(c)) {
      if (i + 1 == name.size() || !isLowSurrogate(name[i + 1])) return false;
      ++i;
    }
  }
  return true;
}

std::wstring printableName(std::wstring_view name) {
  std::wstring out;
  out.reserve(name.size());
  for (std::size_t i = 0; i < name.size(); ++i) {
    const wchar_t c = name[i];
    const auto value = static_cast<unsigned long>(c);
    if (isHighSurrogate(c) && i + 1 < name.size() && isLowSurrogate(name[i + 1])) {
      out += c;
      out += name[++i];
    } else if (isControl(value) || isHighSurrogate(c) || isLowSurrogate(c)) {
      appendEscape(out, value);
    } else {
      out += c;
    }
  }
  return out;
}

std::string printableName(std::string_view name) {
  std::string out;
  out.reserve(name.size());
  for (const char c : name) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7F) {
      appendEscape(out, byte);
    } else {
      out += c;
    }
  }
  return out;
}

}  // namespace arc7z
