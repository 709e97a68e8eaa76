#include "web/app-login.h"

#include <filesystem>
#include <system_error>

#include "platform/file-names.h"
#include "web/base64.h"

namespace web {

std::string FormatStartUrl(const std::string& loginUrl, const std::string& token,
                           const std::string& from) {
  return loginUrl + "?qxtc=" + token + "&qxqd=" + from;
}

std::string ClientPath(const std::string& gameDir) {
  return gameDir + "/" + platform::kGameClientFileName;
}

bool ClientPresent(bool installFinished, const std::string& clientPath) {
  if (!installFinished) return false;
  std::error_code error;
  return std::filesystem::exists(clientPath, error);
}

ClientCommand FormatClientCommand(const std::string& gameDir, const std::string& pageText,
                                  std::int32_t winId, std::int32_t dialogHandle) {
  ClientCommand command;
  command.program = ClientPath(gameDir);
  command.arguments = {command.program, pageText.empty() ? "(null)" : Base64Encode(pageText),
                       std::to_string(winId), std::to_string(dialogHandle), "end"};
  for (const std::string& word : command.arguments) {
    if (!command.commandLine.empty()) command.commandLine += ' ';
    command.commandLine += word;
  }
  return command;
}

bool CommandLineFits(const ClientCommand& command) {
  return command.commandLine.size() <= kMaxCommandLineBytes;
}

}  // namespace web
