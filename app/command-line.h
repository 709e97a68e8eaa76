#pragma once
// The launcher's raw command line: the process arguments after the program, joined so that the
// option parser's word splitting gives back the same words; and the two command lines that only
// ask about the program.
#include <string>

// argv[0] is the program and is left out. An argument holding a blank, a double quote or a
// backslash is wrapped in double quotes, each inner quote and backslash escaped by a backslash.
std::wstring JoinCommandLine(int argc, const char* const* argv);

// What a command line of exactly one word asks: "--help" or "-h" the usage, "--version" the
// version. Any other command line is the launcher's own and is left to its option parser.
enum class InfoRequest { none, usage, version };
InfoRequest ReadInfoRequest(int argc, const char* const* argv);

// The text printed for `request` (not none): the usage says what the launcher does, its options
// and where it writes; the version is the project's.
std::string InfoText(InfoRequest request);
