#include "telemetry/report-body.h"

#include "telemetry/md5.h"

namespace telemetry {

std::string ReportSign(std::string_view udid) {
  std::string signedText(udid);
  signedText += kSigningKey;
  MD5 digest;
  digest.Update(signedText);
  return digest.HexDigest();
}

std::string ReportBody(std::string_view type, std::string_view osName, std::string_view macAddress,
                       std::string_view udid) {
  std::string body;
  body.reserve(256);
  body.append("type=").append(type);
  body.append("&device_model=d&os_ver=o&os_name=").append(osName);
  body.append("&mac_addr=").append(macAddress);
  body.append("&udid=").append(udid);
  body.append("&app_ver=1.0.0&network=wifi&platform_tag=flash_launch&sign=").append(ReportSign(udid));
  return body;
}

}  // namespace telemetry
