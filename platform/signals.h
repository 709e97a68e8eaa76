#pragma once
// Signals the launcher must not die of.
namespace platform {

// A write to a pipe or socket whose reader has gone fails with an error instead of ending the
// process: the launcher's standard output may be such a pipe, and the log writer must live on.
void IgnoreBrokenPipes();

}  // namespace platform
