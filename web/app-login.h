#pragma once
// The toolkit-free half of the web view: the start URL and what a call of AppLogin decides and
// hands to the game client. The view (CBaseHtmlView) carries the decision out.
#include <cstdint>
#include <string>
#include <vector>

namespace web {

// The client's command line lives in a 1024-byte buffer on the client's side of the contract.
constexpr size_t kMaxCommandLineBytes = 1023;

// `text` with every byte but the unreserved ones (letters, digits, "-._~") written as %XX, so
// that a query parser gives back exactly `text`: a '#', '&' or '=' in it cannot end or add a
// parameter.
std::string PercentEncode(const std::string& text);

// The login page address followed by the token and the source text, each percent-encoded. Since
// the address holds a query of its own the result has two '?'.
std::string FormatStartUrl(const std::string& loginUrl, const std::string& token,
                           const std::string& from);

// Whether a page's request for a new window may go to the desktop's browser: only http and https
// URLs do; another scheme would start whatever program the desktop has registered for it.
bool OpensInBrowser(const std::string& url);

// `gameDir` + "/cvlclient", never cut: the one path both the install decision and AppLogin use,
// so that a client the install has put there is always found and started.
std::string ClientPath(const std::string& gameDir);

// Whether the game folder holds the client file: the dialog installs when it does not.
bool ClientInstalled(const std::string& gameDir);

// Whether AppLogin may start the client now. While the install may still write the client, a
// file that exists can be half-written, so the flag is asked first and the file system only
// after the install has finished.
bool ClientPresent(bool installFinished, const std::string& clientPath);

struct ClientCommand {
  std::string commandLine;              // the line as logged: path and the four words
  std::string program;                  // the client path
  std::vector<std::string> arguments;   // argv: the program, then the four words
};

// The command line for the page's text (UTF-8): the Base64 of its bytes ("(null)" for an empty
// text), the window to notify and the dialog's window.
ClientCommand FormatClientCommand(const std::string& gameDir, const std::string& pageText,
                                  std::int32_t winId, std::int32_t dialogHandle);

// A line longer than kMaxCommandLineBytes is never started: cut, it would hand the client a
// truncated login.
bool CommandLineFits(const ClientCommand& command);

}  // namespace web
