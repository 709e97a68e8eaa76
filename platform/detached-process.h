#pragma once
// Starting programs that the launcher does not wait for. A child gets the standard streams and no
// other descriptor of the launcher (log file, package file, sockets, pipes), and its end is
// collected on a thread of its own, so that it never stays behind as a zombie and no thread of
// the launcher ever waits for it.
#include <string>
#include <vector>

namespace platform {

// Starts a program that outlives its starter and is tied to nothing of it: its own session,
// standard input and output on /dev/null. argv[0] is the program (searched on PATH when it holds
// no '/'). False when it cannot be started at all.
bool StartDetached(const std::vector<std::string>& argv);

// Starts `program` (a path, not searched) with `argv` in the launcher's environment (as it was
// given, process-environment.h), current directory and standard streams. 0, or the error number when it could not be started.
int StartProcess(const std::string& program, const std::vector<std::string>& argv);

}  // namespace platform
