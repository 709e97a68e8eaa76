#pragma once
// The parts of the first-run deployment (CKRNLaunchApp::DeployFiles) that stand on their own:
// writing one embedded resource to a file, and the desktop entry's text.
#include <cstdint>
#include <string>
#include <string_view>

#include "res/resource-ids.h"

// Writes the embedded resource (type, id) to `path`, replacing what is there. True when every
// byte was written. The bytes go to a temporary file beside `path` that is renamed into place
// only when complete, so a failed write never leaves a partial file that the next start would
// take for a deployed one. "EXE" resources become executable (0755).
bool WriteResourceToFile(const std::wstring& path, std::uint16_t id, std::wstring_view type);

// The desktop entry that starts `launcher` in `workingDirectory`, escaped as the Desktop Entry
// format requires.
std::string DesktopEntryText(const std::string& launcher, const std::string& workingDirectory);
