// Helpers of the POSIX platform that tests reach directly.
#pragma once

#include <string>
#include <vector>

#include "platform/platform.h"

namespace quarvel {

// The host path of an existing file whose last component matches `host_path`'s without regard to ASCII
// case: the exact name first, else the first such entry of the directory by name; else `host_path`.
std::string ResolveLastComponent(const std::string& host_path);
// The names of the directory of `host_path` that equal its last component without regard to ASCII
// case: the exact name first when it exists.
std::vector<std::string> NamesLike(const std::string& host_path);
// Keeps the directory index of ResolveLastComponent up to date after the platform itself added or
// removed the name `host_path` (`present` tells which).
void NoteNameChange(const std::string& host_path, bool present);
// CP932 path to the host's (UTF-8, last component resolved); false when it has no UTF-8 form.
bool HostPath(const std::string& path, std::string* host);

}  // namespace quarvel
