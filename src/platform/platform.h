// The host services that the rest of the program uses: descriptors, directory search, attributes,
// DOS stamps, rename and replace, the working directory, the program's path and profile values.
// Every path handed in or out is CP932; the implementation converts to the host's encoding.
// Nothing above this layer calls the operating system for files.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace quarvel {

#ifdef _WIN32
constexpr char kDirSep = '\\';
#else
constexpr char kDirSep = '/';
#endif

// Result codes of the path operations: 0 or one of these. None is -4 or -8, which the file access
// layer gives their own meanings.
constexpr int kPlatformFailed = -1;     // any other failure
constexpr int kPlatformNotFound = -2;   // the file (or its directory) does not exist
constexpr int kPlatformDenied = -3;     // access denied
constexpr int kPlatformBusy = -9;       // another process holds the lock
constexpr int kPlatformUnsupported = -5;  // the host cannot do this here; nothing was done
// Why LockFile will not take over a lock file that it found under the name (and did not make):
constexpr int kLockNotPlainFile = -6;  // a link, a directory, a FIFO or another non-file has the name
constexpr int kLockOtherUser = -7;     // the file belongs to another user (POSIX)
constexpr int kLockLinked = -10;       // the file has further names (hard links) elsewhere

// Attribute bits, with the values of the Windows attributes.
constexpr std::uint32_t kAttrReadOnly = 0x1;
constexpr std::uint32_t kAttrDirectory = 0x10;
constexpr std::uint32_t kAttrLink = 0x400;  // a symbolic link (a reparse point on Windows)

// No operation on a path ever follows a symbolic link in its last component: a link is a name of its
// own, which can be renamed or removed, but never opened, read, written, stamped or changed in mode.
enum class OpenMode {
  kRead,             // an existing regular file, read only
  kReadWriteCreate,  // read and write; created when missing; never truncated
  kCreateNew,        // read and write; a new regular file, failing when anything has the name already
};

// What tells one file from another on the host and shows whether it changed since it was looked at:
// a change of its bytes, its size, its attributes or its place gives another identity.
struct FileId {
  std::uint64_t volume = 0;     // st_dev; the volume serial number
  std::uint64_t index = 0;      // st_ino; the file index
  std::uint64_t size = 0;
  std::int64_t writeTime = 0;   // last write: st_mtim in ns; LastWriteTime in 100 ns
  std::int64_t changeTime = 0;  // last change of anything, the name included where the host counts it:
                                // st_ctim in ns; ChangeTime in 100 ns
  std::uint32_t attrs = 0;      // as GetAttributes gives them
  bool operator==(const FileId& o) const {
    return volume == o.volume && index == o.index && size == o.size && writeTime == o.writeTime &&
           changeTime == o.changeTime && attrs == o.attrs;
  }
  bool operator!=(const FileId& o) const { return !(*this == o); }
};

struct FoundFile {
  std::string name;         // CP932, no directory
  std::uint32_t stamp = 0;  // last write as DOS time (low 16 bits) and date (high 16 bits)
  std::uint64_t size = 0;   // bytes, as the search saw them
};

class Platform {
 public:
  virtual ~Platform() = default;

  // Returns a descriptor (0 or more) or a negative code. The caller closes it.
  virtual int Open(const std::string& path, OpenMode mode) = 0;
  // Return the byte count, or -1.
  virtual long Read(int fd, void* buffer, std::size_t n) = 0;
  virtual long Write(int fd, const void* buffer, std::size_t n) = 0;
  // Moves to an absolute offset; returns it, or -1.
  virtual std::int64_t Seek(int fd, std::int64_t offset) = 0;
  virtual std::int64_t Tell(int fd) = 0;
  virtual std::int64_t Size(int fd) = 0;
  // The descriptor is released whatever the result.
  virtual int Close(int fd) = 0;
  // True when two threads may open, read, size and close files for reading at once.
  virtual bool ConcurrentReads() = 0;
  // Copies up to n bytes (n > 0) from the position of `from` to the position of `to` inside the host,
  // without passing them through the caller, and advances both positions by the count. Returns the
  // count (less than n only at the end of `from`), -1 when reading or writing failed (some bytes
  // may have landed), or kPlatformUnsupported when the host cannot copy between these two
  // descriptors so: then nothing moved, and the caller reads and writes instead.
  virtual long CopyBytes(int from, int to, std::size_t n) = 0;
  // Forces the file's data to the disk.
  virtual int Flush(int fd) = 0;
  // Asks the host to start writing the `length` bytes at `offset` of a written file to the disk and
  // returns at once, so that a later Flush finds less to wait for. A hint only: 0 also when the host
  // does nothing with it; -1 when the descriptor is bad. Never a substitute for Flush.
  virtual int StartWriteBack(int fd, std::int64_t offset, std::int64_t length) = 0;
  // Forces the directory's entries (names made by create, rename, remove) to the disk.
  virtual int FlushDir(const std::string& dir) = 0;
  // Forces to the disk everything written to the file system on which `fd` is open, the data and
  // metadata of its files and the entries of its directories, in one call: for a program that wrote
  // many files, in place of a Flush of each. 0; kPlatformFailed when that failed, or when writing
  // anything of that file system to the disk failed since `fd` was opened (another program's file
  // too); kPlatformUnsupported (nothing done) where FlushesFileSystem(fd) is false.
  virtual int FlushFileSystem(int fd) = 0;
  // True when FlushFileSystem(fd) forces to the disk all that a Flush of each file would, and reports
  // every failure that those would: a local file system of a kind known to, on a host that reports
  // write-back failures to it. False elsewhere (a network share, an older kernel, Windows).
  virtual bool FlushesFileSystem(int fd) = 0;

  virtual int Remove(const std::string& path) = 0;
  // Fails when a file of the name `to` exists already.
  virtual int Rename(const std::string& from, const std::string& to) = 0;
  // Puts `from` in the place of `to` in one step: at no moment is there no file at `to`.
  virtual int ReplaceFile(const std::string& from, const std::string& to) = 0;
  // As ReplaceFile, but `to` is taken exactly as given: where names differ by case (POSIX), a file
  // whose name differs from `to` in case only is left alone and `to` is made beside it. For a path
  // the user typed, outside any menu directory.
  virtual int ReplaceFileExact(const std::string& from, const std::string& to) = 0;

  // The attributes of the name itself: a link reports kAttrLink (and never read-only), a directory
  // kAttrDirectory. 0, or kPlatformNotFound when nothing has the name.
  virtual int GetAttributes(const std::string& path, std::uint32_t* attrs) = 0;
  // The identity of what has the name itself (a link is not followed): 0, kPlatformNotFound when nothing
  // has it, or another code. Safe from two threads.
  virtual int IdentifyName(const std::string& path, FileId* id) = 0;
  // The identity of the file open as `fd`: 0 or kPlatformFailed.
  virtual int IdentifyFd(int fd, FileId* id) = 0;
  // Opens the regular file `path` for reading so that, while the descriptor is open, no other program
  // can open it for writing, while it can still be renamed (Windows: no write sharing, delete sharing).
  // 0 with `*fd` set (the caller closes it); kPlatformBusy when another program has it open for
  // writing; kPlatformUnsupported where the host has no such refusal (POSIX: nothing is opened).
  virtual int HoldFile(const std::string& path, int* fd) = 0;
  // Sets or clears read-only on a regular file; fails on a link or a directory.
  virtual int SetAttributes(const std::string& path, std::uint32_t attrs) = 0;
  virtual int GetStamp(const std::string& path, std::uint32_t* stamp) = 0;
  virtual int GetStampFd(int fd, std::uint32_t* stamp) = 0;
  virtual int SetStampFd(int fd, std::uint32_t stamp) = 0;

  // Regular, not hidden files matching the pattern (a directory and a name with * and ?, matched
  // without regard to case), sorted by upper-cased name. 0; kPlatformNotFound when the directory is
  // missing, kPlatformDenied or kPlatformFailed when it cannot be read whole (a name that vanishes
  // meanwhile is no failure), each with an empty list: a listing is never taken for a whole one when
  // part of it could not be read.
  virtual int FindFiles(const std::string& pattern, std::vector<FoundFile>* out) = 0;
  // One search of the directory `dir` (ending in a separator; empty: the current directory) for
  // several masks: the files that FindFiles(dir + mask) finds for at least one of `masks`, each once,
  // in FindFiles' order. No mask: an empty list. May run on two threads at once for two directories.
  virtual int FindFilesAny(const std::string& dir, const std::vector<std::string>& masks,
                           std::vector<FoundFile>* out) = 0;

  // The names (CP932, no directory) that stand in the directory under the last component of `path`,
  // compared without regard to case: the exact name first when it exists. Windows never holds more
  // than one; a POSIX directory may. 0, or kPlatformFailed.
  virtual int FindNames(const std::string& path, std::vector<std::string>* names) = 0;

  // True when the file system of the directory `dir` can hold a file named `name` (its host form within
  // the length that file system allows for a name and for a path).
  virtual bool NameFits(const std::string& dir, const std::string& name) = 0;

  // Takes an exclusive lock of the file `path` for this process: 0 with `*fd` set, kPlatformBusy
  // when another process holds it. A missing file is created exclusively. One that is there (left by
  // a dead holder: the lock ends with its process however it ends) is taken over only when it is a
  // plain file with no other name and, on POSIX, this user's; else kLockNotPlainFile, kLockOtherUser
  // or kLockLinked, and nothing is opened for writing. The holder releases it by removing the file
  // (Remove works while it is open) and then closing `fd`.
  virtual int LockFile(const std::string& path, int* fd) = 0;
  // 0 when no other process holds a lock of `path` (or there is no such file), kPlatformBusy when one
  // does. Creates nothing.
  virtual int ProbeLock(const std::string& path) = 0;
  // Who this is, for a lock file's text: "pid 123 on host".
  virtual std::string ProcessLabel() = 0;

  // The names (CP932, no separator) of the subdirectories of `dir`, without hidden ones, in byte
  // order; a link to a directory counts as one. 0, or kPlatformFailed when `dir` cannot be read.
  virtual int ListSubdirectories(const std::string& dir, std::vector<std::string>* names) = 0;
  // The roots that the directory chooser offers, each ending with a separator: the drives on
  // Windows; "/" and the home directory on POSIX.
  virtual std::vector<std::string> Roots() = 0;

  // True when standard error goes to a terminal (not a pipe or a file).
  virtual bool StderrIsTerminal() = 0;

  // True when both paths reach one existing file or directory (links followed, as an open would): the
  // same file, whatever the two spellings. False when they differ or either cannot be reached.
  virtual bool SameFile(const std::string& a, const std::string& b) = 0;
  // Makes the directory `dir` and every missing parent: 0 when all stand as directories afterwards.
  virtual int MakeDirectories(const std::string& dir) = 0;
  // Writes `bytes` as the whole file `path` (a small file: settings, registration data): into a new
  // file beside it, flushed, then put in place in one step, so that a reader sees the old file or the
  // new one. 0, or a code with nothing left behind.
  virtual int WriteSmallFile(const std::string& path, const std::string& bytes) = 0;

  // The program's own file path; empty when it cannot be told.
  virtual std::string ProgramPath() = 0;
  virtual std::string CurrentDir() = 0;
  virtual int SetCurrentDir(const std::string& dir) = 0;

  // Reads `key` of `section` of the settings file `file` (a name without directory).
  virtual bool ReadProfileString(const std::string& file, const std::string& section,
                                 const std::string& key, std::string* value) = 0;
};

// The platform in use: the host's own unless a test installed another.
Platform& Host();
// Installs `p` (nullptr: the host's own again) and returns the one it replaces.
Platform* SetHost(Platform* p);
// The host's own implementation.
Platform& NativePlatform();

}  // namespace quarvel
