#include "web/app-login.h"

#include <cctype>
#include <filesystem>
#include <system_error>

#include "platform/file-names.h"
#include "web/base64.h"

namespace web {
namespace {

// A path that cannot be examined (a folder without read access, say) holds no client.
bool ClientFileExists(const std::string& clientPath) {
  std::error_code error;
  return std::filesystem::exists(clientPath, error);
}

}  // namespace

std::string PercentEncode(const std::string& text) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string encoded;
  encoded.reserve(text.size());
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if ((byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') || (byte >= '0' && byte <= '9') ||
        byte == '-' || byte == '.' || byte == '_' || byte == '~') {
      encoded += c;
    } else {
      encoded += '%';
      encoded += kHex[byte >> 4];
      encoded += kHex[byte & 0xF];
    }
  }
  return encoded;
}

std::string FormatStartUrl(const std::string& loginUrl, const std::string& token,
                           const std::string& from) {
  return loginUrl + "?qxtc=" + PercentEncode(token) + "&qxqd=" + PercentEncode(from);
}

bool OpensInBrowser(const std::string& url) {
  const size_t colon = url.find(':');
  if (colon == std::string::npos) return false;
  std::string scheme = url.substr(0, colon);
  for (char& c : scheme) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return scheme == "http" || scheme == "https";
}

std::string ClientPath(const std::string& gameDir) {
  return gameDir + "/" + platform::kGameClientFileName;
}

bool ClientInstalled(const std::string& gameDir) { return ClientFileExists(ClientPath(gameDir)); }

bool ClientPresent(bool installFinished, const std::string& clientPath) {
  return installFinished && ClientFileExists(clientPath);
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
