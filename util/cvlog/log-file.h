#pragma once
// Where the writer puts a logger's files: folder, month folder and file name.
#include <cstdint>
#include <string>

#include "platform/clock.h"

namespace cvlog {

// The logger's folder with every backslash turned into '/' (a separator to this module) and the
// month folder "YYYY_MM/" added when asked for.
std::string LogFolder(const std::string& path, bool monthDir, const platform::LocalTime& opened);

// "<process>_<logger>_YYYYMMDDhhmm_<index, 3 digits>.log"
std::string LogFileName(const std::string& processName, const std::string& loggerName,
                        const platform::LocalTime& opened, std::uint32_t index);

// Creates each missing folder along the path in turn and stops at the first that fails; a
// failure shows up later as a file that cannot be opened.
void MakeDirectories(const std::string& folder);

}  // namespace cvlog
