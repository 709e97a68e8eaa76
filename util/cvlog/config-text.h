#pragma once
// The loggers' configuration text: one [section] per logger, one "key = value" per line.
#include <cstdint>
#include <map>
#include <string>
#include <string_view>

namespace cvlog {

// A logger as one section of the text describes it; unmentioned attributes keep these defaults.
struct ConfiguredLogger {
  std::string key;
  std::string name;
  std::string path = "./log/";
  int level = 1;
  bool enable = true;
  bool display = true;
  bool outfile = true;
  bool monthdir = false;
  bool fileline = true;
  std::uint32_t limitsize = 100;
  std::int64_t reserve = 0;
};

// Sections by name in byte-wise order; "main" in any letter case is the key "Main".
using ConfigTable = std::map<std::string, ConfiguredLogger>;

// Drops a leading UTF-8 byte-order mark, then CR, LF, tab and blank at both ends (with
// brackets also '[' and ']').
std::string_view TrimConfigText(std::string_view text, bool brackets = false);

// Never fails: unusable lines are reported on standard output and skipped.
ConfigTable ParseConfigText(std::string_view text);

}  // namespace cvlog
