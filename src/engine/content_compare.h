// Whether files hold the same bytes, for the analysis by content.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace quarvel {

// Two listed files to compare: `a` of one directory, `b` of the other.
struct ListedPair {
  const FoundFile* a;
  const FoundFile* b;
};

// For each pair, 1 when its files (`a` in `dirA`, `b` in `dirB`, both ending in a separator) hold the
// same bytes, else 0: the listings' sizes first, then the sizes and bytes as they are now. A file that
// cannot be opened or read whole counts as different. When the host allows it, a second thread takes
// pairs too; progress is reported from the calling thread alone. Every file is closed again; the
// file-error word is left as it was.
std::vector<std::uint8_t> SameFilesBytes(const std::string& dirA, const std::string& dirB,
                                         const std::vector<ListedPair>& pairs);

}  // namespace quarvel
