#pragma once

#include <string>

namespace calvendra {

// The user's configuration folder: $XDG_CONFIG_HOME when it is an absolute path, otherwise
// ~/.config (a relative XDG_CONFIG_HOME is ignored, as the XDG base directory rules ask). The home
// folder is $HOME, or the password database's entry when HOME is unset or empty.
std::string ConfigHome();

// The user's state folder, for what one user's sessions keep between runs: $XDG_STATE_HOME when
// it is an absolute path, otherwise ~/.local/state.
std::string StateHome();

}  // namespace calvendra
