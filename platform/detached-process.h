#pragma once
// Starting a program that outlives its starter and is tied to nothing of it: its own session,
// standard input and output on /dev/null, not waited for.
#include <string>
#include <vector>

namespace platform {

// argv[0] is the program (searched on PATH when it holds no '/'). False when it cannot be
// started at all.
bool StartDetached(const std::vector<std::string>& argv);

}  // namespace platform
