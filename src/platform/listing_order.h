// The order of directory listings, the same on every host.
#pragma once

#include <vector>

#include "platform/platform.h"

namespace quarvel {

// Sorts by the ASCII-upper-cased CP932 name bytewise, ties by the name itself.
void SortFoundFiles(std::vector<FoundFile>* files);

}  // namespace quarvel
