#include "arc7z/item-names.h"

#include <cstdint>

namespace arc7z {
namespace {

bool isHighSurrogate(wchar_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool isLowSurrogate(wchar_t c) { return c >= 0xDC00 && c <= 0xDFFF; }
// Only a 4-byte wchar_t can hold more than Unicode has.
bool isBeyondUnicode(wchar_t c) {
  const std::uint32_t value = static_cast<std::uint32_t>(c);
  return value > 0x10FFFF;
}
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

bool isSeparator(wchar_t c) { return c == L'/' || c == L'\\'; }

wchar_t upper(wchar_t c) { return c >= L'a' && c <= L'z' ? static_cast<wchar_t>(c - L'a' + L'A') : c; }

// CON, PRN, AUX, NUL, COM0-9 and LPT0-9 (superscript digits too) name devices in every folder,
// whatever extension follows and whatever spaces trail the stem.
bool isDeviceName(std::wstring_view component) {
  std::wstring_view stem = component.substr(0, component.find(L'.'));
  while (!stem.empty() && stem.back() == L' ') stem.remove_suffix(1);
  std::wstring name;
  for (const wchar_t c : stem) name += upper(c);
  if (name == L"CON" || name == L"PRN" || name == L"AUX" || name == L"NUL") return true;
  if (name.size() != 4 || (name.compare(0, 3, L"COM") != 0 && name.compare(0, 3, L"LPT") != 0)) return false;
  const wchar_t digit = name[3];
  return (digit >= L'0' && digit <= L'9') || digit == 0xB9 || digit == 0xB2 || digit == 0xB3;
}

}  // namespace

bool isUnsafeOnWindows(std::wstring_view name) {
  if (!name.empty() && isSeparator(name.front())) return true;
  std::size_t start = 0;
  while (start <= name.size()) {
    std::size_t end = start;
    while (end < name.size() && !isSeparator(name[end])) ++end;
    const std::wstring_view component = name.substr(start, end - start);
    if (component.find(L':') != std::wstring_view::npos) return true;
    if (component != L"." && component != L".." && !component.empty() &&
        (component.back() == L'.' || component.back() == L' ')) {
      return true;
    }
    if (isDeviceName(component)) return true;
    start = end + 1;
  }
  return false;
}

bool convertsExactly(std::wstring_view name) {
  for (std::size_t i = 0; i < name.size(); ++i) {
    const wchar_t c = name[i];
    if (c == L'\0' || isBeyondUnicode(c) || isLowSurrogate(c)) return false;
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
