// Writing a library anew from kept, replaced and added documents.
#pragma once

#include <string>

#include "model/records.h"

namespace quarvel {

// Writes the library `outputPath` (a file that does not exist or is empty) with `title` and every entry
// whose source is 0 or more, in order: source 0 takes its data from `oldFd`, a positive source from
// `newFd`, each at the entry's offset. Writes each entry's `word`. Returns 0 without creating anything
// when no entry is written. The output is flushed to disk before it is closed; on any read, seek, write,
// flush or close failure it is removed and the result is -1. Neither descriptor is closed.
int RebuildLibrary(const std::string& outputPath, int oldFd, int newFd, const std::string& title,
                   const SSDocInfoAry& entries);

}  // namespace quarvel
