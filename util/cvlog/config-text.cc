#include "util/cvlog/config-text.h"

#include <climits>
#include <string>

#include "util/cvlog/console-print.h"

namespace cvlog {
namespace {

bool IsTrimmed(char c, bool brackets) {
  return c == '\r' || c == '\n' || c == '\t' || c == ' ' || (brackets && (c == '[' || c == ']'));
}

std::string Lower(std::string_view s) {
  std::string out(s);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return out;
}

// atoi's reading (blanks, a sign, digits; 0 for anything else), clamped instead of overflowing.
long long ReadInteger(const std::string& s) {
  size_t i = 0;
  while (i < s.size() && (s[i] == ' ' || s[i] == '\t' || s[i] == '\n' || s[i] == '\r' || s[i] == '\v' || s[i] == '\f')) ++i;
  bool negative = false;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
  long long value = 0;
  for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i) {
    value = value * 10 + (s[i] - '0');
    if (value > INT_MAX) {
      value = static_cast<long long>(INT_MAX) + 1;
      break;
    }
  }
  value = negative ? -value : value;
  if (value > INT_MAX) value = INT_MAX;
  return value;
}

// A constant table, not a built one: the writer may parse an auto-reloaded text while the
// process's static objects are being destroyed at exit.
struct LevelWord {
  std::string_view text;
  int level;
};
constexpr LevelWord kLevelWords[] = {{"trace", 0}, {"all", 0},   {"debug", 1}, {"info", 2}, {"warn", 3},
                                     {"warning", 3}, {"error", 4}, {"alarm", 5}, {"fatal", 6}};

bool ReadSwitch(const std::string& value) { return !(value == "false" || value == "0"); }

void ApplyAttribute(ConfiguredLogger& entry, const std::string& key, const std::string& value) {
  if (key == "level") {
    for (const LevelWord& word : kLevelWords) {
      if (value == word.text) entry.level = word.level;
    }
  } else if (key == "display") {
    entry.display = ReadSwitch(value);
  } else if (key == "outfile") {
    entry.outfile = ReadSwitch(value);
  } else if (key == "monthdir") {
    entry.monthdir = ReadSwitch(value);
  } else if (key == "fileline") {
    entry.fileline = ReadSwitch(value);
  } else if (key == "enable") {
    entry.enable = ReadSwitch(value);
  } else if (key == "limitsize") {
    entry.limitsize = static_cast<std::uint32_t>(ReadInteger(value));
  } else if (key == "reserve") {
    entry.reserve = ReadInteger(value);
  }
}

void ParseLine(std::string_view line, int lineNumber, std::string& section, ConfigTable& table) {
  const size_t equals = line.find('=');
  const std::string_view rawKey = line.substr(0, equals);
  if (rawKey.empty()) return;
  const std::string_view rawValue = equals == std::string_view::npos ? std::string_view() : line.substr(equals + 1);
  const std::string key(TrimConfigText(rawKey));
  const std::string value(TrimConfigText(rawValue));
  if (key.empty() || key[0] == '#') return;

  if (key[0] == '[') {
    section = std::string(TrimConfigText(key, true));
    if (Lower(section) == "main") section = "Main";
    if (table.count(section) == 0) {
      ConfiguredLogger& entry = table[section];
      entry.key = section;
      entry.name = section;
    } else {
      PrintToConsole("cvlog configure warning: duplicate logger key:[" + section +
                   "] at line: " + std::to_string(lineNumber) + " \r\n");
    }
    return;
  }

  const auto entry = table.find(section);
  if (entry == table.end()) {
    PrintToConsole("cvlog configure warning: not found current logger name:[" + section + "] at line:" +
                   std::to_string(lineNumber) + ", key=" + key + ", value=" + value + " \r\n");
    return;
  }
  const std::string lowerKey = Lower(key);
  if (lowerKey == "path") {
    entry->second.path = value;
  } else if (lowerKey == "name") {
    entry->second.name = value;
  } else {
    ApplyAttribute(entry->second, lowerKey, Lower(value));
  }
}

}  // namespace

std::string_view TrimConfigText(std::string_view text, bool brackets) {
  if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
  while (!text.empty() && IsTrimmed(text.front(), brackets)) text.remove_prefix(1);
  while (!text.empty() && IsTrimmed(text.back(), brackets)) text.remove_suffix(1);
  return text;
}

ConfigTable ParseConfigText(std::string_view text) {
  ConfigTable table;
  std::string section;
  int lineNumber = 1;
  size_t begin = 0;
  while (begin <= text.size()) {
    const size_t end = text.find_first_of("\r\n", begin);
    const size_t stop = end == std::string_view::npos ? text.size() : end;
    ParseLine(text.substr(begin, stop - begin), lineNumber, section, table);
    ++lineNumber;
    if (end == std::string_view::npos) break;
    begin = end + 1;
  }
  return table;
}

}  // namespace cvlog
