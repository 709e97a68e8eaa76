#pragma once
// The telemetry reports leave the launcher one after another on a thread of their own, in the
// order they were made, so that no caller (the GUI thread least of all) ever waits on the
// statistics server.
#include <chrono>
#include <functional>

namespace telemetry {

// The limits of one report's request: a silent server costs this much, never more.
inline constexpr std::chrono::seconds kReportConnectTimeout{3};
inline constexpr std::chrono::seconds kReportTimeout{5};

// Queues `send` behind the reports made before it; returns at once. After CloseReports it is
// dropped.
void PostReport(std::function<void()> send);

// Waits until every report queued so far has been sent (or given up), at most `limit`. True when
// the queue ran dry in time.
bool WaitForReports(std::chrono::milliseconds limit);

// Takes no further report and waits for the queued ones as WaitForReports does: the last report
// queued is the last the server sees.
bool CloseReports(std::chrono::milliseconds limit);

}  // namespace telemetry
