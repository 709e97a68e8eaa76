#pragma once
// The part of a record that is written when it is handed out: date, time, thread id and level.
#include <cstdint>
#include <string_view>

#include "platform/clock.h"
#include "util/cvlog/cvlog.h"

namespace cvlog {

// Printed name of a level. LOG_INFO and LOG_WARN are one letter shorter than the others and are
// printed without padding; a level outside the table prints as "LOG_?".
std::string_view LevelName(int level);

// Console colour attribute of a level; levels 0 and 1 and unknown ones are plain.
int LevelColour(int level);

// The wall-clock stretch of the last moment a thread formatted; refreshed when a record falls
// outside it (once a day, twice on a day with a daylight-saving change).
struct DayCache {
  platform::WallClockSpan span;  // empty until first use: begin == end
  const platform::WallClockSpan& At(std::int64_t unixTime) {
    if (unixTime < span.begin || unixTime >= span.end) span = platform::WallClockSpanOf(unixTime);
    return span;
  }
};

// Rewrites the header of a record from its time, milliseconds, thread id and level; the content
// length becomes the header's length.
void WriteRecordHeader(LogRecord& record, DayCache& cache);

}  // namespace cvlog
