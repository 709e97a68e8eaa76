#pragma once
// The logging module's one way to the console.
#include <string_view>

#include "platform/console.h"

namespace cvlog {

// Writes the text in `colour` as platform::ConsoleWrite does; texts from different threads come
// out one after another, each whole with its colour.
void PrintToConsole(std::string_view text, int colour = platform::kConsolePlain);

}  // namespace cvlog
