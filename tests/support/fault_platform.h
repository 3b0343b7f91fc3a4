// A platform that forwards to another and makes one chosen operation fail, as a full disk, a short
// read or a refused create, rename, remove or close would. Counts every operation by kind.
#pragma once

#include <array>
#include <functional>
#include <utility>
#include <vector>

#include "platform/platform.h"

namespace quarvel {

enum class FaultOp {
  kOpenRead,
  kCreate,
  kRead,
  kWrite,
  kClose,
  kFlush,
  kFlushDir,
  kSeek,
  kRemove,
  kRename,
  kReplace,
  kSetAttributes,
  kSetStamp,
  kLock,
  kCopy,
  kCount
};

const char* FaultOpName(FaultOp op);

class FaultPlatform final : public Platform {
 public:
  explicit FaultPlatform(Platform& base) : base_(base) {}

  // The n-th operation of that kind from now on (1-based) fails, once. Counters restart at 0.
  void FailNth(FaultOp op, int n);
  // The n-th operation of that kind and every later one fail.
  void FailFrom(FaultOp op, int n);
  // A second persistent failure beside the one above (set after it: FailNth and FailFrom clear it).
  void AlsoFailFrom(FaultOp op, int n);
  void ResetCounts();
  int Count(FaultOp op) const { return counts_[static_cast<int>(op)]; }
  bool Fired() const { return fired_; }
  // Every counted operation of any kind is a step, numbered from 1 since construction or ResetSteps.
  int Steps() const { return steps_; }
  void ResetSteps() { steps_ = 0; }
  // Ends the process with `code` at step n, as a kill would: before the operation, or for a write
  // after half of its bytes have landed. 0: never.
  void ExitAt(int n, int code) {
    exit_at_ = n;
    exit_code_ = code;
  }
  // Called before every step with its kind and number (to pause a process at a chosen point).
  void OnStep(std::function<void(FaultOp, int)> hook) { on_step_ = std::move(hook); }
  // Makes every path look as if a file existed there (for running out of work names).
  void set_all_names_exist(bool on) { all_names_exist_ = on; }

  int Open(const std::string& path, OpenMode mode) override;
  long Read(int fd, void* buffer, std::size_t n) override;
  long Write(int fd, const void* buffer, std::size_t n) override;
  std::int64_t Seek(int fd, std::int64_t offset) override;
  std::int64_t Tell(int fd) override { return base_.Tell(fd); }
  std::int64_t Size(int fd) override { return base_.Size(fd); }
  int Close(int fd) override;
  // No: its counts and fault points follow one order of operations.
  bool ConcurrentReads() override { return false; }
  // Reports the host's copy as unsupported (so the callers read and write) unless enabled.
  long CopyBytes(int from, int to, std::size_t n) override;
  void set_kernel_copy(bool on) { kernel_copy_ = on; }
  int Flush(int fd) override;
  int StartWriteBack(int fd, std::int64_t offset, std::int64_t length) override {
    write_backs_.push_back({offset, length});
    return base_.StartWriteBack(fd, offset, length);
  }
  int WriteBacks() const { return static_cast<int>(write_backs_.size()); }
  // The ranges handed to write-back, {offset, length}, in order.
  const std::vector<std::pair<std::int64_t, std::int64_t>>& WriteBackRanges() const { return write_backs_; }
  int FlushDir(const std::string& dir) override;
  // A flush like Flush (counted and failed as one), forwarded to the host's when it has one.
  int FlushFileSystem(int fd) override;
  // The host's answer unless set: false makes the callers flush each file, as on a host without one.
  bool FlushesFileSystem(int fd) override { return flushes_file_system_ && base_.FlushesFileSystem(fd); }
  void set_flushes_file_system(bool on) { flushes_file_system_ = on; }
  int Remove(const std::string& path) override;
  int Rename(const std::string& from, const std::string& to) override;
  int ReplaceFile(const std::string& from, const std::string& to) override;
  // Counted and failed as ReplaceFile.
  int ReplaceFileExact(const std::string& from, const std::string& to) override;
  int GetAttributes(const std::string& path, std::uint32_t* attrs) override;
  int SetAttributes(const std::string& path, std::uint32_t attrs) override;
  int IdentifyName(const std::string& path, FileId* id) override { return base_.IdentifyName(path, id); }
  int IdentifyFd(int fd, FileId* id) override { return base_.IdentifyFd(fd, id); }
  int HoldFile(const std::string& path, int* fd) override { return base_.HoldFile(path, fd); }
  int GetStamp(const std::string& path, std::uint32_t* stamp) override { return base_.GetStamp(path, stamp); }
  int GetStampFd(int fd, std::uint32_t* stamp) override { return base_.GetStampFd(fd, stamp); }
  int SetStampFd(int fd, std::uint32_t stamp) override;
  int FindFiles(const std::string& pattern, std::vector<FoundFile>* out) override {
    if (Unreadable(pattern, unlisted_)) return ListingFails(out);
    return base_.FindFiles(pattern, out);
  }
  int FindFilesAny(const std::string& dir, const std::vector<std::string>& masks,
                   std::vector<FoundFile>* out) override {
    if (Unreadable(dir, unlisted_)) return ListingFails(out);
    return base_.FindFilesAny(dir, masks, out);
  }
  // Searches of paths that start with `prefix` fail with `code`, as a directory that cannot be read
  // would; opens for reading of such paths likewise with FailOpensOf. Not counted as steps.
  void FailListingsOf(const std::string& prefix, int code) { unlisted_ = {prefix, code}; }
  void FailOpensOf(const std::string& prefix, int code) { unopened_ = {prefix, code}; }
  int FindNames(const std::string& path, std::vector<std::string>* names) override {
    return base_.FindNames(path, names);
  }
  bool NameFits(const std::string& dir, const std::string& name) override { return base_.NameFits(dir, name); }
  int LockFile(const std::string& path, int* fd) override;
  int ProbeLock(const std::string& path) override { return base_.ProbeLock(path); }
  std::string ProcessLabel() override { return base_.ProcessLabel(); }
  int ListSubdirectories(const std::string& dir, std::vector<std::string>* names) override {
    return base_.ListSubdirectories(dir, names);
  }
  std::vector<std::string> Roots() override { return base_.Roots(); }
  bool StderrIsTerminal() override { return base_.StderrIsTerminal(); }
  std::string ProgramPath() override { return base_.ProgramPath(); }
  bool SameFile(const std::string& a, const std::string& b) override { return base_.SameFile(a, b); }
  int MakeDirectories(const std::string& dir) override { return base_.MakeDirectories(dir); }
  int WriteSmallFile(const std::string& path, const std::string& bytes) override {
    return base_.WriteSmallFile(path, bytes);
  }
  std::string CurrentDir() override { return base_.CurrentDir(); }
  int SetCurrentDir(const std::string& dir) override { return base_.SetCurrentDir(dir); }
  bool ReadProfileString(const std::string& file, const std::string& section, const std::string& key,
                         std::string* value) override {
    return base_.ReadProfileString(file, section, key, value);
  }

 private:
  // Counts one operation and tells whether it is the one to fail.
  bool Hit(FaultOp op);
  static bool Unreadable(const std::string& path, const std::pair<std::string, int>& rule) {
    return !rule.first.empty() && path.compare(0, rule.first.size(), rule.first) == 0;
  }
  int ListingFails(std::vector<FoundFile>* out) const {
    out->clear();
    return unlisted_.second;
  }

  Platform& base_;
  std::array<int, static_cast<int>(FaultOp::kCount)> counts_{};
  FaultOp fail_op_ = FaultOp::kCount;
  int fail_at_ = 0;
  bool fired_ = false;
  bool persistent_ = false;
  FaultOp also_op_ = FaultOp::kCount;
  int also_at_ = 0;
  bool all_names_exist_ = false;
  bool kernel_copy_ = false;
  bool flushes_file_system_ = true;
  std::vector<std::pair<std::int64_t, std::int64_t>> write_backs_;
  int steps_ = 0;
  int exit_at_ = 0;
  int exit_code_ = 0;
  std::function<void(FaultOp, int)> on_step_;
  std::pair<std::string, int> unlisted_, unopened_;
};

// Installs a platform for the lifetime of the guard.
class ScopedHost {
 public:
  explicit ScopedHost(Platform* p) : previous_(SetHost(p)) {}
  ~ScopedHost() { SetHost(previous_); }
  ScopedHost(const ScopedHost&) = delete;
  ScopedHost& operator=(const ScopedHost&) = delete;

 private:
  Platform* previous_;
};

}  // namespace quarvel
