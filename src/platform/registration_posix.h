// Registration on POSIX: the diff file type as a free desktop association of the current user.
#pragma once
#ifndef _WIN32

#include <string>
#include <vector>

#include "platform/xdg_registration.h"

namespace quarvel {

// Applies `script` (see XdgFilesOfScript) for the user: under $XDG_DATA_HOME (default
// ~/.local/share) the shared-mime-info package, the desktop entry naming this program by its absolute
// path, and `icons`; then runs update-mime-database and update-desktop-database on those folders when
// they are installed (their absence is no failure). Nothing is written when a system data folder holds
// the same desktop entry already (the program's package registered it). Needs no display. Returns 0, or -1 when the script
// is not one, the program's path or the data folder cannot be told, or a file could not be written
// (each file is written whole or not at all).
int ApplyRegistrationPosix(const std::string& script, const std::vector<IconFile>& icons);

}  // namespace quarvel

#endif  // _WIN32
