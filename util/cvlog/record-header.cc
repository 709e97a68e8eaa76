#include "util/cvlog/record-header.h"

namespace cvlog {
namespace {

constexpr std::string_view kLevelNames[] = {"LOG_TRACE", "LOG_DEBUG", "LOG_INFO", "LOG_WARN",
                                            "LOG_ERROR", "LOG_ALARM", "LOG_FATAL"};
constexpr int kLevelColours[] = {0, 0, 3, 6, 4, 2, 5};
constexpr int kLevelCount = static_cast<int>(std::size(kLevelNames));

}  // namespace

std::string_view LevelName(int level) {
  return level >= 0 && level < kLevelCount ? kLevelNames[level] : std::string_view("LOG_?");
}

int LevelColour(int level) { return level >= 0 && level < kLevelCount ? kLevelColours[level] : 0; }

void WriteRecordHeader(LogRecord& record, DayCache& cache) {
  const platform::WallClockSpan& span = cache.At(record.time);
  const std::int64_t secondOfDay = record.time - span.zero;
  RecordWriter w(record.content, record.content + kContentSize);
  w.number(static_cast<std::uint64_t>(span.year), 4);
  w.character('-');
  w.number(static_cast<std::uint64_t>(span.month), 2);
  w.character('-');
  w.number(static_cast<std::uint64_t>(span.day), 2);
  w.character(' ');
  w.number(static_cast<std::uint64_t>(secondOfDay / 3600), 2);
  w.character(':');
  w.number(static_cast<std::uint64_t>(secondOfDay / 60 % 60), 2);
  w.character(':');
  w.number(static_cast<std::uint64_t>(secondOfDay % 60), 2);
  w.character('.');
  w.number(record.milliseconds, 3);
  w.character(' ');
  w.character('[');
  w.number(record.threadId, 4);
  w.character(']');
  w.character(' ');
  const std::string_view name = LevelName(record.level);
  w.text(name.data(), name.size());
  w.character(' ');
  record.contentLength = static_cast<std::int32_t>(w.length());
}

}  // namespace cvlog
