// Directory paths: the trailing separator, and the split of a path into directory and name.
#pragma once

#include <string>

namespace quarvel {

// Appends the platform separator unless the last character is a single-byte separator (a trail byte
// 0x5C of a double-byte character is not one). An empty path becomes the separator alone.
void AddTrailingSeparator(std::string& path);
// Drops a last character that is a single-byte separator; otherwise changes nothing.
void RemoveTrailingSeparator(std::string& path);
// The directory part of `path` up to and including its last single-byte separator ("" when none).
std::string DirectoryPart(const std::string& path);
// The name after the directory part.
std::string NamePart(const std::string& path);

}  // namespace quarvel
