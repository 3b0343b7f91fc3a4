// File-name wildcards as the directory search matches them.
#pragma once

#include <string>

namespace quarvel {

// Matches a CP932 name against a pattern of `*` (any run) and `?` (one character, a double-byte one
// whole), without regard to ASCII case, over the whole name. "*.*" matches every name, dotted or not;
// an empty pattern matches nothing.
bool WildcardMatch(const std::string& pattern, const std::string& name);

}  // namespace quarvel
