#include "shell/paths.h"

#include "platform/platform.h"
#include "platform/text.h"

namespace quarvel {

void AddTrailingSeparator(std::string& path) {
  if (!EndsWithSingleByte(path, kDirSep)) path += kDirSep;
}

void RemoveTrailingSeparator(std::string& path) {
  if (EndsWithSingleByte(path, kDirSep)) path.pop_back();
}

namespace {

// Index just after the last single-byte separator, 0 when there is none.
std::size_t NameStart(const std::string& path) {
  std::size_t start = 0;
  for (std::size_t i = 0; i < path.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(path[i]);
    if (IsSjisLead(c) && i + 1 < path.size()) {
      ++i;
    } else if (c == static_cast<unsigned char>(kDirSep) || c == '/') {
      start = i + 1;
    }
  }
  return start;
}

}  // namespace

std::string DirectoryPart(const std::string& path) { return path.substr(0, NameStart(path)); }

std::string NamePart(const std::string& path) { return path.substr(NameStart(path)); }

}  // namespace quarvel
