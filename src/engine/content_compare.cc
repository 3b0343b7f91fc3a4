#include "engine/content_compare.h"

#include "fileio/fileio.h"
#include "platform/platform.h"

namespace quarvel {

namespace {

// Closes a descriptor of FileOpenRead when it goes out of scope.
struct ReadGuard {
  int fd = -1;
  ~ReadGuard() {
    if (fd >= 0) FileClose(fd);
  }
};

}  // namespace

bool SameFileBytes(const std::string& a, std::uint64_t sizeA, const std::string& b, std::uint64_t sizeB) {
  if (sizeA != sizeB) return false;
  ReadGuard fa, fb;
  fa.fd = FileOpenRead(a);
  if (fa.fd < 0) return false;
  fb.fd = FileOpenRead(b);
  if (fb.fd < 0) return false;
  // The sizes now, not the listings': a file that changed in between is compared as it is.
  const std::int64_t na = Host().Size(fa.fd), nb = Host().Size(fb.fd);
  if (na < 0 || na != nb || static_cast<std::uint64_t>(na) > UINT32_MAX) return false;
  return FilesEqual(fa.fd, fb.fd, static_cast<std::uint32_t>(na)) && FileErrorFlags == 0;
}

}  // namespace quarvel
