#pragma once
// The user's folders as the XDG base-directory and user-dirs conventions define them.
#include <optional>
#include <string>

namespace platform {

// $HOME, else the password database's home folder.
std::string HomeDirectory();

// $XDG_CONFIG_HOME when it is an absolute path, else $HOME/.config.
std::string ConfigHome();

// $XDG_DATA_HOME when it is an absolute path, else $HOME/.local/share: where menu entries and
// icons of the user's own programs go.
std::string DataHome();

// XDG_DESKTOP_DIR from $XDG_CONFIG_HOME/user-dirs.dirs with $HOME expanded; nothing when that
// file or that entry is missing (the desktop folder "cannot be read").
std::optional<std::string> ReadDesktopDirectory();

// ReadDesktopDirectory, else $HOME/Desktop. The folder may not exist.
std::string DesktopDirectory();

}  // namespace platform
