#pragma once
// The launcher's raw command line: the process arguments after the program, joined so that the
// option parser's word splitting gives back the same words.
#include <string>

// argv[0] is the program and is left out. An argument holding a blank, a double quote or a
// backslash is wrapped in double quotes, each inner quote and backslash escaped by a backslash.
std::wstring JoinCommandLine(int argc, const char* const* argv);
