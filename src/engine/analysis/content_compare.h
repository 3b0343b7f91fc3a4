// Whether files hold the same bytes, for the analysis by content.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "menufiles/listings.h"
#include "platform/platform.h"

namespace quarvel {

// Two listed files to compare: `a` of one directory, `b` of the other.
struct ListedPair {
  const FoundFile* a;
  const FoundFile* b;
};

// For each pair, 1 when its files (`a` in `dirA`, `b` in `dirB`, both ending in a separator) hold the
// same bytes, else 0: the listings' sizes first, then the sizes and bytes as they are now. A file that
// vanished or changed its size since it was listed counts as different. A file that is there but
// cannot be opened or read (access denied, an I/O error, a read that ends before the file's size)
// fails the comparison: `failure` names the first such file in pair order and the rest of the pairs
// are left at 0. When the host allows it, a second thread takes pairs too; progress is reported from
// the calling thread alone. Every file is closed again; the file-error word is left as it was.
std::vector<std::uint8_t> SameFilesBytes(const std::string& dirA, const std::string& dirB,
                                         const std::vector<ListedPair>& pairs, ReadFailure* failure);

}  // namespace quarvel
