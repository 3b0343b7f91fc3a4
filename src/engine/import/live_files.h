// The files of the menu directory that an import moves aside or rebuilds, as it first saw them, and
// the checks that nobody changed one while the import ran: Velmora's users may go on working, and an
// edit made meanwhile would otherwise be lost when the import's commit replaces or drops the file.
#pragma once

#include <string>

#include "platform/platform.h"

namespace quarvel {

// What had a name when the import looked: nothing, or a file (or link) with its identity.
struct SeenFile {
  bool present = false;
  FileId id;
};

// Looks at what has the name now: 0 with `seen` filled, -1 when that cannot be told.
int SeeFile(const std::string& path, SeenFile* seen);

// True when the name still holds exactly what `seen` recorded (or still nothing).
bool StillAsSeen(const std::string& path, const SeenFile& seen);

// True when `now` is the file `before` with its bytes untouched: the same file, size and last write.
// Its attributes and change time may differ, as the import's own steps (clearing read-only, a rename)
// change them.
bool SameBytes(const FileId& before, const FileId& now);

// Keeps a file open so that, on a host that can, no other program writes to it until the import has
// moved it aside (Platform::HoldFile). Holds nothing where the host cannot or the file is busy: the
// identity checks still find any change.
class FileHold {
 public:
  FileHold() = default;
  FileHold(const FileHold&) = delete;
  FileHold& operator=(const FileHold&) = delete;
  FileHold(FileHold&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
  ~FileHold() { Release(); }
  void Take(const std::string& path);
  void Release();

 private:
  int fd_ = -1;
};

}  // namespace quarvel
