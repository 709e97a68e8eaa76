#pragma once
// Starting the game client, which the launcher does not wait for.
#include <string>
#include <vector>

namespace web {

// Starts `program` with `arguments` as its argv, in the launcher's environment and current
// directory. Returns 0, or the error number when the program could not be started.
int StartProgram(const std::string& program, const std::vector<std::string>& arguments);

}  // namespace web
