#pragma once
// The program's own logger: every line of the launcher goes to "Main" at LOG_INFO.
#include "util/cvlog/cvlog.h"

namespace cvlog {

// Id of the "Main" logger, looked up once at start-up.
inline int g_nLogId = 0;

// Ends the process at once, after the queued lines (the one that says why among them) are on disk.
[[noreturn]] void ExitProcessFlushed(int code);

}  // namespace cvlog

#define LOG_MAIN(...) LOG_LINE(::cvlog::g_nLogId, ::cvlog::LOG_INFO, __VA_ARGS__)
