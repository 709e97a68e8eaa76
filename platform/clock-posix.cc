#include "platform/clock.h"

#include <ctime>
#include <mutex>

namespace platform {
namespace {

// 1601-01-01 to 1970-01-01 in 100-ns ticks.
constexpr std::uint64_t kFileTimeOf1970 = 116444736000000000ULL;

// glibc's mktime re-reads the zone on every call when TZ is unset, freeing and copying its name
// under a lock of its own that sanitizers cannot see. The calendar calls here are rare (a few per
// day and thread), so one lock of ours around them costs nothing and keeps them visibly ordered.
std::mutex& ZoneLock() {
  static std::mutex lock;
  return lock;
}

std::tm Local(std::int64_t unixTime) {
  const std::time_t t = static_cast<std::time_t>(unixTime);
  std::tm out{};
  std::lock_guard<std::mutex> guard(ZoneLock());
  localtime_r(&t, &out);
  return out;
}

long OffsetAt(std::int64_t unixTime) { return Local(unixTime).tm_gmtoff; }

std::int64_t Midnight(std::tm day) {
  day.tm_hour = 0;
  day.tm_min = 0;
  day.tm_sec = 0;
  day.tm_isdst = -1;  // let the zone rules decide, the day may differ from the one given
  std::lock_guard<std::mutex> guard(ZoneLock());
  return static_cast<std::int64_t>(std::mktime(&day));
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
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  return static_cast<std::uint64_t>(now.tv_sec) * 10000000ULL + static_cast<std::uint64_t>(now.tv_nsec) / 100 +
         kFileTimeOf1970;
}

std::int64_t UnixTimeNow() { return static_cast<std::int64_t>(std::time(nullptr)); }

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
  const LocalDay day = LocalDayOf(unixTime);
  WallClockSpan span;
  span.zero = unixTime - (lt.tm_hour * 3600 + lt.tm_min * 60 + lt.tm_sec);
  span.year = lt.tm_year + 1900;
  span.month = lt.tm_mon + 1;
  span.day = lt.tm_mday;
  span.begin = day.start;
  if (OffsetAt(day.start) != lt.tm_gmtoff) span.begin = FirstChange(day.start, unixTime);
  span.end = day.end;
  if (OffsetAt(day.end - 1) != lt.tm_gmtoff) span.end = FirstChange(unixTime, day.end - 1);
  return span;
}

}  // namespace platform
