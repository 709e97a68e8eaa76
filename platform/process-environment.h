#pragma once
// Environment variables that the launcher sets for itself alone: it and the helper processes its
// libraries start see the new value, while the programs the launcher starts (the game client, the
// desktop's URL handler) get the environment the launcher was given.
#include <string>
#include <vector>

namespace platform {

// Sets `name` to `value` in the launcher's environment and remembers what it was. Call before
// any other thread runs.
void OverrideForThisProcess(const std::string& name, const std::string& value);

// The launcher's environment with every override undone, as "NAME=value" entries.
std::vector<std::string> ChildEnvironment();

}  // namespace platform
