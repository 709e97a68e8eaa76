// Reads the launch parameters from the command line. Nothing here stops the launcher: a command
// line that cannot be read leaves every parameter at its initial value.
#include <cstdint>
#include <string>

#include "app/krn-launch.h"
#include "app/cmdopt.h"
#include "platform/encoding.h"
#include "util/cvlog/main-logger.h"

void CKRNLaunchApp::ParseCmdLine() {
  if (m_lpCmdLine.empty()) {
    LOG_MAIN("wszCmdline is empty ");
    return;
  }
  const std::string cmdline = platform::WideToUtf8(m_lpCmdLine);
  // The single word "uninstall" carries no launch parameters.
  if (cmdline == "uninstall") return;
  LOG_MAIN("szCmdline:", cmdline);

  cmdopt::parser options;
  options.add<std::int32_t>("winid", 0, false, 0);
  options.add<std::string>("fromc", 0, false, "");
  options.add<std::string>("tokenc", 0, false, "");
  if (!options.parse(cmdline)) {
    LOG_MAIN("ParseCmdLine:", options.error_text());
    return;
  }
  m_nWinId = options.get<std::int32_t>("winid");
  m_strFrom = options.get<std::string>("fromc");
  m_strToken = options.get<std::string>("tokenc");
  LOG_MAIN("winid:", m_nWinId, ",From:", m_strFrom, ",token:", m_strToken);
}
