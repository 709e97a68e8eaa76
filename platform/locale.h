#pragma once
// The process's character-type locale. Libraries that sample it when they are loaded (the
// 7-Zip plug-in decodes unflagged zip names by it) need a UTF-8 one selected first.

namespace platform {

// Selects the environment's character-type locale when it is UTF-8, else "C.UTF-8". Only
// LC_CTYPE changes, so number formatting stays the C library's default. Returns whether a UTF-8
// locale is in effect afterwards.
bool SelectUtf8Locale();

}  // namespace platform
