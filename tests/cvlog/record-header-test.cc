#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cvlog-fixtures.h"
#include "util/cvlog/record-header.h"

namespace {

using cvlog_test::Utc;

std::string Header(std::int64_t time, std::uint32_t ms, std::uint32_t thread, int level, cvlog::DayCache& cache) {
  cvlog::LogRecord record{};
  record.time = time;
  record.milliseconds = ms;
  record.threadId = thread;
  record.level = level;
  cvlog::WriteRecordHeader(record, cache);
  return std::string(record.content, static_cast<size_t>(record.contentLength));
}

TEST(RecordHeader, DateTimeThreadAndLevelName) {
  cvlog_test::ScopedTimeZone utc("UTC0");
  const std::int64_t t = Utc(2024, 3, 5, 9, 5, 7);
  struct Case {
    std::uint32_t ms;
    std::uint32_t thread;
    int level;
    std::string expected;
  };
  const std::vector<Case> cases = {
      {42, 4711, cvlog::LOG_TRACE, "2024-03-05 09:05:07.042 [4711] LOG_TRACE "},
      {42, 4711, cvlog::LOG_DEBUG, "2024-03-05 09:05:07.042 [4711] LOG_DEBUG "},
      {42, 4711, cvlog::LOG_INFO, "2024-03-05 09:05:07.042 [4711] LOG_INFO "},
      {42, 4711, cvlog::LOG_WARN, "2024-03-05 09:05:07.042 [4711] LOG_WARN "},
      {42, 4711, cvlog::LOG_ERROR, "2024-03-05 09:05:07.042 [4711] LOG_ERROR "},
      {42, 4711, cvlog::LOG_ALARM, "2024-03-05 09:05:07.042 [4711] LOG_ALARM "},
      {42, 4711, cvlog::LOG_FATAL, "2024-03-05 09:05:07.042 [4711] LOG_FATAL "},
      {0, 12, cvlog::LOG_INFO, "2024-03-05 09:05:07.000 [0012] LOG_INFO "},
      {999, 123456, cvlog::LOG_INFO, "2024-03-05 09:05:07.999 [123456] LOG_INFO "},
      {5, 4294967295u, cvlog::LOG_INFO, "2024-03-05 09:05:07.005 [4294967295] LOG_INFO "},
      {42, 4711, 7, "2024-03-05 09:05:07.042 [4711] LOG_? "},
      {42, 4711, -1, "2024-03-05 09:05:07.042 [4711] LOG_? "},
  };
  cvlog::DayCache cache;
  for (const Case& c : cases) {
    EXPECT_EQ(Header(t, c.ms, c.thread, c.level, cache), c.expected);
  }
}

// Central European days of 23 and 25 hours in 2026: the clock reads right on both sides of the
// change and across the following midnight, whether the day was cached before or not.
TEST(RecordHeader, WallClockAcrossDaylightSavingChanges) {
#if defined(_WIN32)
  GTEST_SKIP() << "the Windows C runtime's TZ takes no POSIX daylight-saving rules";
#endif
  cvlog_test::ScopedTimeZone berlin(cvlog_test::kBerlin);
  struct Case {
    std::int64_t time;
    const char* expected;
  };
  const std::vector<Case> cases = {
      {Utc(2026, 3, 28, 23, 0, 0), "2026-03-29 00:00:00"},
      {Utc(2026, 3, 29, 0, 59, 59), "2026-03-29 01:59:59"},
      {Utc(2026, 3, 29, 1, 0, 0), "2026-03-29 03:00:00"},
      {Utc(2026, 3, 29, 10, 0, 0), "2026-03-29 12:00:00"},
      {Utc(2026, 3, 29, 21, 59, 59), "2026-03-29 23:59:59"},
      {Utc(2026, 3, 29, 22, 0, 0), "2026-03-30 00:00:00"},
      {Utc(2026, 10, 24, 22, 0, 0), "2026-10-25 00:00:00"},
      {Utc(2026, 10, 25, 0, 30, 0), "2026-10-25 02:30:00"},
      {Utc(2026, 10, 25, 1, 30, 0), "2026-10-25 02:30:00"},
      {Utc(2026, 10, 25, 22, 30, 0), "2026-10-25 23:30:00"},
      {Utc(2026, 10, 25, 23, 10, 0), "2026-10-26 00:10:00"},
  };
  cvlog::DayCache shared;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.expected);
    cvlog::DayCache fresh;
    const std::string expected = std::string(c.expected) + ".000 [0001] LOG_INFO ";
    EXPECT_EQ(Header(c.time, 0, 1, cvlog::LOG_INFO, shared), expected);
    EXPECT_EQ(Header(c.time, 0, 1, cvlog::LOG_INFO, fresh), expected);
  }
}

}  // namespace
