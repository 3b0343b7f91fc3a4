// Whether two files hold the same bytes, for the analysis by content.
#pragma once

#include <cstdint>
#include <string>

namespace quarvel {

// True when the files at `a` and `b` hold the same bytes: the sizes the listings gave first, then the
// bytes. A file that cannot be opened or read whole counts as different. Both files are closed again;
// the file-error word is left as their opens and reads left it.
bool SameFileBytes(const std::string& a, std::uint64_t sizeA, const std::string& b, std::uint64_t sizeB);

}  // namespace quarvel
