#include "platform/clock.h"

#include <windows.h>

#include <ctime>
#include <mutex>

namespace platform {
namespace {

// 1601-01-01 to 1970-01-01 in 100-ns ticks.
constexpr std::uint64_t kFileTimeOf1970 = 116444736000000000ULL;

// The C runtime's zone state (TZ, else the system's zone) is shared by its calendar calls.
std::mutex& ZoneLock() {
  static std::mutex lock;
  return lock;
}

std::tm Local(std::int64_t unixTime) {
  const __time64_t t = unixTime;
  std::tm out{};
  std::lock_guard<std::mutex> guard(ZoneLock());
  _localtime64_s(&out, &t);
  return out;
}

// The runtime's tm has no offset field: the local wall clock read as UTC gives it.
long OffsetAt(std::int64_t unixTime) {
  std::tm lt = Local(unixTime);
  return static_cast<long>(_mkgmtime64(&lt) - unixTime);
}

std::int64_t Midnight(std::tm day) {
  day.tm_hour = 0;
  day.tm_min = 0;
  day.tm_sec = 0;
  day.tm_isdst = -1;  // let the zone rules decide, the day may differ from the one given
  std::lock_guard<std::mutex> guard(ZoneLock());
  return static_cast<std::int64_t>(_mktime64(&day));
}

// First moment in (low, high] whose offset differs from the offset at low; high when none does.
// Days hold at most one change, so the offset is a step function over the range.
std::int64_t FirstChange(std::int64_t low, std::int64_t high) {
  const long before = OffsetAt(low);
  while (high - low > 1) {
    const std::int64_t mid = low + (high - low) / 2;
    if (OffsetAt(mid) == before) {
      low = mid;
    } else {
      high = mid;
    }
  }
  return high;
}

}  // namespace

std::uint64_t SystemTimeAsFileTime() {
  FILETIME now;
  ::GetSystemTimeAsFileTime(&now);
  return (static_cast<std::uint64_t>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
}

std::int64_t UnixTimeNow() {
  return static_cast<std::int64_t>((SystemTimeAsFileTime() - kFileTimeOf1970) / 10000000ULL);
}

LocalTime ToLocalTime(std::int64_t unixTime) {
  const std::tm lt = Local(unixTime);
  return {lt.tm_year + 1900, lt.tm_mon + 1, lt.tm_mday, lt.tm_hour, lt.tm_min, lt.tm_sec};
}

LocalDay LocalDayOf(std::int64_t unixTime) {
  const std::tm lt = Local(unixTime);
  std::tm next = lt;
  next.tm_mday += 1;
  LocalDay day{Midnight(lt), Midnight(next)};
  // A zone that skips or repeats midnight itself can make mktime pick a neighbouring instant;
  // the day must still hold the moment it was computed for.
  if (day.start > unixTime) day.start = unixTime;
  if (day.end <= unixTime) day.end = unixTime + 1;
  return day;
}

WallClockSpan WallClockSpanOf(std::int64_t unixTime) {
  const std::tm lt = Local(unixTime);
  const long offset = OffsetAt(unixTime);
  const LocalDay day = LocalDayOf(unixTime);
  WallClockSpan span;
  span.zero = unixTime - (lt.tm_hour * 3600 + lt.tm_min * 60 + lt.tm_sec);
  span.year = lt.tm_year + 1900;
  span.month = lt.tm_mon + 1;
  span.day = lt.tm_mday;
  span.begin = day.start;
  if (OffsetAt(day.start) != offset) span.begin = FirstChange(day.start, unixTime);
  span.end = day.end;
  if (OffsetAt(day.end - 1) != offset) span.end = FirstChange(unixTime, day.end - 1);
  return span;
}

}  // namespace platform
