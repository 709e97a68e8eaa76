#pragma once
// The signed form body of a telemetry report. Values go in as they are, not URL-encoded: the
// statistics endpoint reads "close launch" with its blank and the braces of the id.
#include <string>
#include <string_view>

namespace telemetry {

inline constexpr std::string_view kSigningKey = "Zq5LmR8tVw2NcX7bKd4HyP9fGs3JnT6e";

// Lower-case hexadecimal MD5 of the unique id followed by the signing key.
std::string ReportSign(std::string_view udid);

std::string ReportBody(std::string_view type, std::string_view osName, std::string_view macAddress,
                       std::string_view udid);

}  // namespace telemetry
