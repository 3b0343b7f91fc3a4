// The icons of the program and of the diff type, built into the program: the window shows them, and
// the registration puts them where the desktop finds them.
#pragma once

#include <vector>

#include "platform/xdg_registration.h"

namespace quarvel {

// Every picture of the icon theme folder, in the order of their paths.
const std::vector<IconFile>& IconFiles();

}  // namespace quarvel
