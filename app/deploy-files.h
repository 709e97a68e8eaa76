#pragma once
// The resource writing of the first-run deployment (CKRNLaunchApp::DeployFiles).
#include <cstdint>
#include <string>
#include <string_view>

#include "res/resource-ids.h"

// Writes the embedded resource (type, id) to `path`, replacing what is there. True when every
// byte was written. The bytes go to a temporary file beside `path` that is renamed into place
// only when complete, so a failed write never leaves a partial file that the next start would
// take for a deployed one. "EXE" resources become executable (0755).
bool WriteResourceToFile(const std::wstring& path, std::uint16_t id, std::wstring_view type);

