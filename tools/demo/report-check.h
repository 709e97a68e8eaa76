#pragma once
// What the demo's statistics endpoint makes of one posted report: the fields in the order they
// came, whether the body has the launcher's exact form, and whether its signature holds.
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace demo {

// The key the launcher signs its reports with, kept here on its own so that a launcher built
// with a different key fails the check.
inline constexpr std::string_view kSigningKey = "Zq5LmR8tVw2NcX7bKd4HyP9fGs3JnT6e";

struct ReportCheck {
  std::vector<std::pair<std::string, std::string>> fields;  // as posted: no URL-decoding
  std::string type, udid, sign, os_name, mac_addr;
  // The ten fields in the launcher's order with its fixed values, and a 32-digit lower-case sign.
  bool well_formed = false;
  // sign equals the MD5 of udid followed by the signing key.
  bool signature_valid = false;
  std::string problem;  // the first thing that made the report ill-formed or invalid; empty if none
};

// The launcher posts its values as they are (a blank in "close launch", braces in the id), so
// the body is split on '&' and the first '=' of each field, never URL-decoded.
ReportCheck CheckReport(std::string_view body);

// Lower-case hexadecimal MD5 of udid + key, what a valid report carries as "sign".
std::string ExpectedSignature(std::string_view udid);

}  // namespace demo
