// Registration on POSIX: the diff file type as an XDG association.
#pragma once

#include <string>

namespace quarvel {

// Applies a registration script as a shared-mime-info package for "*.kmd"
// ($XDG_DATA_HOME/mime/packages/quarvel-kmd.xml) and a desktop entry that opens such files with
// `quarvel` ($XDG_DATA_HOME/applications/quarvel.desktop); $XDG_DATA_HOME defaults to
// ~/.local/share. The script must start with "REGEDIT". Returns 0, or -1 when a file could not be
// written (a partial file is removed).
int ApplyRegistrationPosix(const std::string& script);

}  // namespace quarvel
