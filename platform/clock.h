#pragma once
// The system clock and the local calendar. Local time follows the process's time zone (TZ),
// days with a daylight-saving change included: a local day may last 23, 24 or 25 hours.
#include <cstdint>

namespace platform {

// The current time as 100-ns ticks since 1601-01-01 UTC (the FILETIME scale).
std::uint64_t SystemTimeAsFileTime();

// Seconds since 1970-01-01 UTC.
std::int64_t UnixTimeNow();

struct LocalTime {
  int year = 0;
  int month = 0;  // 1 to 12
  int day = 0;    // 1 to 31
  int hour = 0;
  int minute = 0;
  int second = 0;
};

LocalTime ToLocalTime(std::int64_t unixTime);

// The local calendar day holding a moment, bounded by its real local midnights.
struct LocalDay {
  std::int64_t start = 0;  // first second of the day
  std::int64_t end = 0;    // first second of the next day
};

LocalDay LocalDayOf(std::int64_t unixTime);

// A stretch of one local day during which the offset from UTC does not change, so the wall clock
// of every moment t in [begin, end) is the date below and (t - zero) seconds past midnight.
struct WallClockSpan {
  std::int64_t begin = 0;
  std::int64_t end = 0;
  std::int64_t zero = 0;
  int year = 0;
  int month = 0;
  int day = 0;
};

WallClockSpan WallClockSpanOf(std::int64_t unixTime);

}  // namespace platform
