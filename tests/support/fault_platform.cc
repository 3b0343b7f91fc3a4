#include "support/fault_platform.h"

#include "support/child_process.h"

namespace quarvel {

const char* FaultOpName(FaultOp op) {
  static const char* const names[] = {"open-read", "create", "read",   "write",  "close",
                                      "flush",     "flush-dir", "seek", "remove", "rename",
                                      "replace",   "set-attributes", "set-stamp", "lock",
                                      "copy"};
  return names[static_cast<int>(op)];
}

void FaultPlatform::FailNth(FaultOp op, int n) {
  ResetCounts();
  fail_op_ = op;
  fail_at_ = n;
  fired_ = false;
  persistent_ = false;
  also_op_ = FaultOp::kCount;
}

void FaultPlatform::AlsoFailFrom(FaultOp op, int n) {
  also_op_ = op;
  also_at_ = n;
}

void FaultPlatform::FailFrom(FaultOp op, int n) {
  FailNth(op, n);
  persistent_ = true;
}

void FaultPlatform::ResetCounts() { counts_.fill(0); }

bool FaultPlatform::Hit(FaultOp op) {
  ++steps_;
  if (on_step_) on_step_(op, steps_);
  if (steps_ == exit_at_ && op != FaultOp::kWrite) EndProcessNow(exit_code_);
  const int n = ++counts_[static_cast<int>(op)];
  if (op == also_op_ && n >= also_at_) {
    fired_ = true;
    return true;
  }
  if (op == fail_op_ && (persistent_ ? n >= fail_at_ : n == fail_at_ && !fired_)) {
    fired_ = true;
    return true;
  }
  return false;
}

int FaultPlatform::Open(const std::string& path, OpenMode mode) {
  if (Hit(mode == OpenMode::kRead ? FaultOp::kOpenRead : FaultOp::kCreate)) return kPlatformFailed;
  if (mode == OpenMode::kRead && Unreadable(path, unopened_)) return unopened_.second;
  return base_.Open(path, mode);
}

long FaultPlatform::CopyBytes(int from, int to, std::size_t n) {
  if (!kernel_copy_) return kPlatformUnsupported;
  // A full disk in the middle of a copy: half of the bytes land, then the next copy fails.
  if (Hit(FaultOp::kCopy)) {
    if (n > 1) base_.CopyBytes(from, to, n / 2);
    return -1;
  }
  return base_.CopyBytes(from, to, n);
}

long FaultPlatform::Read(int fd, void* buffer, std::size_t n) {
  // A short read: half of what was asked for really arrives.
  if (Hit(FaultOp::kRead)) return base_.Read(fd, buffer, n / 2);
  return base_.Read(fd, buffer, n);
}

long FaultPlatform::Write(int fd, const void* buffer, std::size_t n) {
  if (steps_ + 1 == exit_at_) {
    base_.Write(fd, buffer, n / 2);
    EndProcessNow(exit_code_);
  }
  // A full disk: half of the bytes land, then the write stops.
  if (Hit(FaultOp::kWrite)) return n / 2 > 0 ? base_.Write(fd, buffer, n / 2) : 0;
  return base_.Write(fd, buffer, n);
}

std::int64_t FaultPlatform::Seek(int fd, std::int64_t offset) {
  if (Hit(FaultOp::kSeek)) return -1;
  return base_.Seek(fd, offset);
}

int FaultPlatform::Close(int fd) {
  // The descriptor is released even when the close reports a failure, as on the host.
  const int r = base_.Close(fd);
  return Hit(FaultOp::kClose) ? kPlatformFailed : r;
}

int FaultPlatform::Flush(int fd) {
  if (Hit(FaultOp::kFlush)) return kPlatformFailed;
  return base_.Flush(fd);
}

int FaultPlatform::FlushFileSystem(int fd) {
  if (Hit(FaultOp::kFlush)) return kPlatformFailed;
  return base_.FlushFileSystem(fd);
}

int FaultPlatform::FlushDir(const std::string& dir) {
  if (Hit(FaultOp::kFlushDir)) return kPlatformFailed;
  return base_.FlushDir(dir);
}

int FaultPlatform::Remove(const std::string& path) {
  if (Hit(FaultOp::kRemove)) return kPlatformFailed;
  return base_.Remove(path);
}

int FaultPlatform::Rename(const std::string& from, const std::string& to) {
  if (Hit(FaultOp::kRename)) return kPlatformFailed;
  return base_.Rename(from, to);
}

int FaultPlatform::ReplaceFile(const std::string& from, const std::string& to) {
  if (Hit(FaultOp::kReplace)) return kPlatformFailed;
  return base_.ReplaceFile(from, to);
}

int FaultPlatform::ReplaceFileExact(const std::string& from, const std::string& to) {
  if (Hit(FaultOp::kReplace)) return kPlatformFailed;
  return base_.ReplaceFileExact(from, to);
}

int FaultPlatform::GetAttributes(const std::string& path, std::uint32_t* attrs) {
  if (all_names_exist_) {
    *attrs = 0;
    return 0;
  }
  return base_.GetAttributes(path, attrs);
}

int FaultPlatform::SetAttributes(const std::string& path, std::uint32_t attrs) {
  if (Hit(FaultOp::kSetAttributes)) return kPlatformFailed;
  return base_.SetAttributes(path, attrs);
}

int FaultPlatform::LockFile(const std::string& path, int* fd) {
  *fd = -1;
  if (Hit(FaultOp::kLock)) return kPlatformFailed;
  return base_.LockFile(path, fd);
}

int FaultPlatform::SetStampFd(int fd, std::uint32_t stamp) {
  if (Hit(FaultOp::kSetStamp)) return kPlatformFailed;
  return base_.SetStampFd(fd, stamp);
}

}  // namespace quarvel
