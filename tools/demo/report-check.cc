#include "tools/demo/report-check.h"

#include <array>

#include "telemetry/md5.h"

namespace demo {
namespace {

// The launcher's field order, and the fixed value of each field that has one (nullptr: any).
struct ExpectedField {
  std::string_view key;
  const char* fixed;
};
constexpr std::array<ExpectedField, 10> kFields{{
    {"type", nullptr},
    {"device_model", "d"},
    {"os_ver", "o"},
    {"os_name", nullptr},
    {"mac_addr", nullptr},
    {"udid", nullptr},
    {"app_ver", "1.0.0"},
    {"network", "wifi"},
    {"platform_tag", "flash_launch"},
    {"sign", nullptr},
}};

bool IsLowerHexDigest(std::string_view s) {
  if (s.size() != 32) return false;
  for (char c : s) {
    if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return false;
  }
  return true;
}

std::string FormProblem(const ReportCheck& r) {
  if (r.fields.size() != kFields.size()) {
    return "expected " + std::to_string(kFields.size()) + " fields, got " +
           std::to_string(r.fields.size());
  }
  for (size_t i = 0; i < kFields.size(); ++i) {
    const auto& [key, value] = r.fields[i];
    if (key != kFields[i].key) {
      return "field " + std::to_string(i + 1) + " is \"" + key + "\", expected \"" +
             std::string(kFields[i].key) + "\"";
    }
    if (kFields[i].fixed && value != kFields[i].fixed) {
      return key + "=" + value + ", expected " + kFields[i].fixed;
    }
  }
  if (!IsLowerHexDigest(r.sign)) return "sign is not 32 lower-case hexadecimal digits";
  return {};
}

}  // namespace

std::string ExpectedSignature(std::string_view udid) {
  std::string joined(udid);
  joined += kSigningKey;
  telemetry::MD5 md5;
  md5.Update(joined);
  return md5.HexDigest();
}

ReportCheck CheckReport(std::string_view body) {
  ReportCheck r;
  size_t start = 0;
  while (start <= body.size() && !body.empty()) {
    size_t end = body.find('&', start);
    if (end == std::string_view::npos) end = body.size();
    std::string_view field = body.substr(start, end - start);
    size_t eq = field.find('=');
    if (eq == std::string_view::npos) {
      r.fields.emplace_back(std::string(field), std::string());
    } else {
      r.fields.emplace_back(std::string(field.substr(0, eq)), std::string(field.substr(eq + 1)));
    }
    start = end + 1;
  }
  // The named values are taken from their first occurrence even when the form is wrong, so that
  // the record shows what a faulty report did carry.
  for (auto& [key, value] : r.fields) {
    std::string* slot = key == "type"       ? &r.type
                        : key == "udid"     ? &r.udid
                        : key == "sign"     ? &r.sign
                        : key == "os_name"  ? &r.os_name
                        : key == "mac_addr" ? &r.mac_addr
                                            : nullptr;
    if (slot && slot->empty()) *slot = value;
  }
  r.problem = FormProblem(r);
  r.well_formed = r.problem.empty();
  r.signature_valid = !r.udid.empty() && r.sign == ExpectedSignature(r.udid);
  if (r.problem.empty() && !r.signature_valid) {
    r.problem = r.udid.empty() ? "no udid" : "sign does not match MD5 of udid + key";
  }
  return r;
}

}  // namespace demo
