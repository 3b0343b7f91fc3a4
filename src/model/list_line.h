// The line by which the dialogs' command lists show one change, such as "○：ﾒﾆｭｰ：" + title.
#pragma once

#include <string>

#include "model/records.h"

namespace quarvel {

// False for a change that no list shows (an op other than 0 and 1, an unknown kind).
bool CommandListLine(const SBNdt& change, std::string* line);

}  // namespace quarvel
