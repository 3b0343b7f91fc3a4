// The order of directory listings, the same on every host.
#pragma once

#include <string>
#include <vector>

#include "platform/platform.h"

namespace quarvel {

// Sorts by the ASCII-upper-cased CP932 name bytewise, ties by the name itself.
void SortFoundFiles(std::vector<FoundFile>* files);
// Sorts by the bytes of the CP932 names, unsigned: the directory chooser's order.
void SortByBytes(std::vector<std::string>* names);

}  // namespace quarvel
