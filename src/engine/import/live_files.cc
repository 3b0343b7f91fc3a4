#include "engine/import/live_files.h"

namespace quarvel {

int SeeFile(const std::string& path, SeenFile* seen) {
  *seen = {};
  const int r = Host().IdentifyName(path, &seen->id);
  if (r == kPlatformNotFound) return 0;
  if (r != 0) return -1;
  seen->present = true;
  return 0;
}

bool StillAsSeen(const std::string& path, const SeenFile& seen) {
  SeenFile now;
  if (SeeFile(path, &now) != 0 || now.present != seen.present) return false;
  return !now.present || now.id == seen.id;
}

bool SameBytes(const FileId& before, const FileId& now) {
  return before.volume == now.volume && before.index == now.index && before.size == now.size &&
         before.writeTime == now.writeTime;
}

void FileHold::Take(const std::string& path) {
  Release();
  int fd = -1;
  if (Host().HoldFile(path, &fd) == 0) fd_ = fd;
}

void FileHold::Release() {
  if (fd_ >= 0) Host().Close(fd_);
  fd_ = -1;
}

}  // namespace quarvel
