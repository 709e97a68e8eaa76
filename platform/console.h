#pragma once
// Text on standard output, optionally coloured.
#include <string_view>

namespace platform {

// Colour attributes in the Windows console's numbering; the ones the program uses.
enum ConsoleColour : int {
  kConsolePlain = 0,
  kConsoleGreen = 2,
  kConsoleCyan = 3,
  kConsoleRed = 4,
  kConsoleMagenta = 5,
  kConsoleYellow = 6,
};

// Writes the text to standard output (the descriptor itself, not stdio's buffer). The colour
// shows only when standard output is a terminal; into a pipe or a file the bytes go exactly as
// given. The call never waits: whatever standard output cannot take at once (a pipe that nobody
// reads, a reader that has gone, no standard output at all) is dropped, and a vanished reader
// does not raise SIGPIPE.
void ConsoleWrite(std::string_view text, int colour);

}  // namespace platform
