// The POSIX implementation of the platform layer. Windows behaviours are mapped as the design notes
// fix them: names on disk are UTF-8 and looked up without regard to case, read-only is the owner write
// bit, stamps are local DOS times, and a rename never replaces an existing file.
#ifndef _WIN32

#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <functional>
#include <mutex>
#include <set>
#include <shared_mutex>
#include <sstream>
#include <unordered_map>

#include "platform/dos_time.h"
#include "platform/listing_order.h"
#include "platform/platform.h"
#include "platform/posix_files.h"
#include "platform/posix_paths.h"
#include "platform/profile.h"
#include "platform/text.h"
#include "platform/wildcard.h"

namespace quarvel {

namespace {

int CodeFromErrno(int e) {
  if (e == ENOENT || e == ENOTDIR) return kPlatformNotFound;
  if (e == EACCES || e == EPERM) return kPlatformDenied;
  return kPlatformFailed;
}

std::string ParentOf(const std::string& host_path) {
  const std::size_t slash = host_path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return host_path.substr(0, slash);
}

// Hands every name that the case index of the directory `host_dir` holds to `visit`, when an index of it
// was made and the directory has not changed since; else false, and nothing visited. Changes no index,
// so that two threads may call it for two directories at once.
bool ForEachIndexedName(const std::string& host_dir, const std::function<void(const char*)>& visit);

// True when the running kernel's release is major.minor or later.
bool KernelAtLeast(int major, int minor) {
  struct utsname u;
  int a = 0, b = 0;
  if (::uname(&u) != 0 || std::sscanf(u.release, "%d.%d", &a, &b) != 2) return false;
  return a > major || (a == major && b >= minor);
}

class PosixPlatform final : public Platform {
 public:
  int Open(const std::string& path, OpenMode mode) override {
    // O_NOFOLLOW: a link is never opened; O_NONBLOCK: a FIFO under the name cannot hang the open.
    int flags = O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK;
    if (mode == OpenMode::kRead) flags |= O_RDONLY;
    if (mode == OpenMode::kReadWriteCreate) flags |= O_RDWR | O_CREAT;
    if (mode == OpenMode::kCreateNew) flags |= O_RDWR | O_CREAT | O_EXCL;
    std::string host;
    int fd = -1;
    if (mode == OpenMode::kRead) {
      // The name as given first, and only a missing one looked up in other cases: the same file
      // as resolving first, one call less for the common exact name.
      if (!Cp932ToUtf8(path, &host) || host.empty()) return kPlatformFailed;
      fd = ::open(host.c_str(), flags);
      if (fd < 0 && errno == ENOENT) {
        const std::string resolved = ResolveLastComponent(host);
        if (resolved != host) {
          fd = ::open(resolved.c_str(), flags);
        } else {
          errno = ENOENT;  // the lookup's own calls may have set another
        }
      }
    } else {
      if (!HostPath(path, &host)) return kPlatformFailed;
      fd = ::open(host.c_str(), flags, 0666);
    }
    if (fd < 0) return errno == ELOOP ? kPlatformFailed : CodeFromErrno(errno);
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || ::fcntl(fd, F_SETFL, 0) != 0) {
      ::close(fd);
      return kPlatformFailed;
    }
    if (mode != OpenMode::kRead) NoteNameChange(host, true);
    return fd;
  }

  long Read(int fd, void* buffer, std::size_t n) override {
    std::size_t done = 0;
    while (done < n) {
      const ssize_t r = ::read(fd, static_cast<char*>(buffer) + done, n - done);
      if (r < 0 && errno == EINTR) continue;
      if (r < 0) return done > 0 ? static_cast<long>(done) : -1;
      if (r == 0) break;
      done += static_cast<std::size_t>(r);
    }
    return static_cast<long>(done);
  }

  long Write(int fd, const void* buffer, std::size_t n) override {
    std::size_t done = 0;
    while (done < n) {
      const ssize_t w = ::write(fd, static_cast<const char*>(buffer) + done, n - done);
      if (w < 0 && errno == EINTR) continue;
      if (w <= 0) return done > 0 ? static_cast<long>(done) : -1;
      done += static_cast<std::size_t>(w);
    }
    return static_cast<long>(done);
  }

  std::int64_t Seek(int fd, std::int64_t offset) override {
    if (offset < 0) return -1;
    return ::lseek(fd, static_cast<off_t>(offset), SEEK_SET);
  }

  std::int64_t Tell(int fd) override { return ::lseek(fd, 0, SEEK_CUR); }

  std::int64_t Size(int fd) override {
    struct stat st;
    if (::fstat(fd, &st) != 0) return -1;
    return st.st_size;
  }

  int Close(int fd) override { return ::close(fd) == 0 ? 0 : kPlatformFailed; }

  // The directory indexes that name lookups share are kept under a lock.
  bool ConcurrentReads() override { return true; }

  long CopyBytes(int from, int to, std::size_t n) override {
    std::size_t done = 0;
    while (done < n) {
      const ssize_t r = ::copy_file_range(from, nullptr, to, nullptr, n - done, 0);
      if (r < 0 && errno == EINTR) continue;
      if (r < 0 && done == 0 &&
          (errno == EXDEV || errno == EINVAL || errno == ENOSYS || errno == EOPNOTSUPP || errno == EBADF)) {
        // Descriptors of two file systems, or of a kind or kernel that cannot: nothing was copied.
        return kPlatformUnsupported;
      }
      if (r < 0) return -1;
      if (r == 0) break;
      done += static_cast<std::size_t>(r);
    }
    return static_cast<long>(done);
  }

  int Flush(int fd) override { return ::fsync(fd) == 0 ? 0 : kPlatformFailed; }

  int StartWriteBack(int fd, std::int64_t offset, std::int64_t length) override {
    if (offset < 0 || length < 0) return kPlatformFailed;
    if (::sync_file_range(fd, offset, length, SYNC_FILE_RANGE_WRITE) == 0) return 0;
    return errno == EBADF ? kPlatformFailed : 0;
  }

  int FlushFileSystem(int fd) override {
    if (!FlushesFileSystem(fd)) return kPlatformUnsupported;
    return ::syncfs(fd) == 0 ? 0 : kPlatformFailed;
  }

  // syncfs reports a failed write-back of any file of the file system since `fd` was opened from Linux
  // 5.8 on; the local file systems below write out everything it is asked to. Network and user-space
  // file systems may not pass it on to where the data lives, as a flush of each file does.
  bool FlushesFileSystem(int fd) override {
    static const bool reports = KernelAtLeast(5, 8);
    struct statfs fs;
    if (!reports || ::fstatfs(fd, &fs) != 0) return false;
    switch (static_cast<unsigned long>(fs.f_type)) {
      case 0xEF53:      // ext2, ext3, ext4
      case 0x58465342:  // XFS
      case 0x9123683E:  // Btrfs
      case 0xF2F52010:  // F2FS
      case 0x01021994:  // tmpfs
        return true;
      default:
        return false;
    }
  }

  int FlushDir(const std::string& dir) override {
    std::string host;
    if (!HostPath(dir.empty() ? std::string(".") : dir, &host)) return kPlatformFailed;
    const int fd = ::open(host.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return CodeFromErrno(errno);
    const int r = ::fsync(fd);
    ::close(fd);
    return r == 0 ? 0 : kPlatformFailed;
  }

  int Remove(const std::string& path) override {
    std::string host;
    if (!HostPath(path, &host)) return kPlatformFailed;
    if (::unlink(host.c_str()) != 0) return CodeFromErrno(errno);
    NoteNameChange(host, false);
    return 0;
  }

  int Rename(const std::string& from, const std::string& to) override {
    std::string host_from, host_to;
    if (!HostPath(from, &host_from) || !HostPath(to, &host_to)) return kPlatformFailed;
    if (::renameat2(AT_FDCWD, host_from.c_str(), AT_FDCWD, host_to.c_str(), RENAME_NOREPLACE) != 0) {
      if (errno != EINVAL && errno != ENOSYS) return CodeFromErrno(errno);
      // A file system without the no-replace flag: check, then rename.
      struct stat st;
      if (::lstat(host_to.c_str(), &st) == 0) return kPlatformFailed;
      if (::rename(host_from.c_str(), host_to.c_str()) != 0) return CodeFromErrno(errno);
    }
    NoteNameChange(host_from, false);
    NoteNameChange(host_to, true);
    return 0;
  }

  int ReplaceFile(const std::string& from, const std::string& to) override {
    std::string host_from, host_to;
    if (!HostPath(from, &host_from) || !HostPath(to, &host_to)) return kPlatformFailed;
    if (::rename(host_from.c_str(), host_to.c_str()) != 0) return CodeFromErrno(errno);
    NoteNameChange(host_from, false);
    NoteNameChange(host_to, true);
    return 0;
  }

  int ReplaceFileExact(const std::string& from, const std::string& to) override {
    std::string host_from, host_to;
    if (!HostPath(from, &host_from) || !Cp932ToUtf8(to, &host_to) || host_to.empty()) return kPlatformFailed;
    if (::rename(host_from.c_str(), host_to.c_str()) != 0) return CodeFromErrno(errno);
    NoteNameChange(host_from, false);
    NoteNameChange(host_to, true);
    return 0;
  }

  int GetAttributes(const std::string& path, std::uint32_t* attrs) override {
    struct stat st;
    const int r = StatPath(path, &st);
    if (r != 0) return r;
    if (S_ISLNK(st.st_mode)) {
      *attrs = kAttrLink;
    } else if (S_ISDIR(st.st_mode)) {
      *attrs = kAttrDirectory;
    } else {
      *attrs = (st.st_mode & S_IWUSR) ? 0 : kAttrReadOnly;
    }
    return 0;
  }

  int IdentifyName(const std::string& path, FileId* id) override {
    struct stat st;
    const int r = StatPath(path, &st);
    if (r != 0) return r;
    IdFromStat(st, id);
    return 0;
  }

  int IdentifyFd(int fd, FileId* id) override {
    struct stat st;
    if (::fstat(fd, &st) != 0) return kPlatformFailed;
    IdFromStat(st, id);
    return 0;
  }

  static void IdFromStat(const struct stat& st, FileId* id) {
    id->volume = static_cast<std::uint64_t>(st.st_dev);
    id->index = static_cast<std::uint64_t>(st.st_ino);
    id->size = static_cast<std::uint64_t>(st.st_size);
    id->writeTime = static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    id->changeTime = static_cast<std::int64_t>(st.st_ctim.tv_sec) * 1000000000 + st.st_ctim.tv_nsec;
    if (S_ISLNK(st.st_mode)) {
      id->attrs = kAttrLink;
    } else if (S_ISDIR(st.st_mode)) {
      id->attrs = kAttrDirectory;
    } else {
      id->attrs = (st.st_mode & S_IWUSR) ? 0 : kAttrReadOnly;
    }
  }

  // POSIX has no way to keep other writers out of a file (advisory locks bind only those who ask).
  int HoldFile(const std::string& /*path*/, int* fd) override {
    *fd = -1;
    return kPlatformUnsupported;
  }

  int SetAttributes(const std::string& path, std::uint32_t attrs) override {
    std::string host;
    if (!HostPath(path, &host)) return kPlatformFailed;
    struct stat st;
    if (::lstat(host.c_str(), &st) != 0) return CodeFromErrno(errno);
    if (!S_ISREG(st.st_mode)) return kPlatformFailed;
    mode_t mode = st.st_mode & 07777;
    mode = (attrs & kAttrReadOnly) ? (mode & ~static_cast<mode_t>(0222)) : (mode | S_IWUSR);
    // Fails on a link that took the file's place meanwhile instead of changing what it points to.
    return ::fchmodat(AT_FDCWD, host.c_str(), mode, AT_SYMLINK_NOFOLLOW) == 0 ? 0 : CodeFromErrno(errno);
  }

  int GetStamp(const std::string& path, std::uint32_t* stamp) override {
    struct stat st;
    const int r = StatPath(path, &st);
    if (r != 0) return r;
    *stamp = DosStampFromTime(st.st_mtime);
    return 0;
  }

  int GetStampFd(int fd, std::uint32_t* stamp) override {
    struct stat st;
    if (::fstat(fd, &st) != 0) return kPlatformFailed;
    *stamp = DosStampFromTime(st.st_mtime);
    return 0;
  }

  int SetStampFd(int fd, std::uint32_t stamp) override {
    const std::time_t t = TimeFromDosStamp(stamp);
    if (t == static_cast<std::time_t>(-1)) return kPlatformFailed;
    struct timespec times[2];
    times[0].tv_sec = t;
    times[0].tv_nsec = 0;
    times[1] = times[0];
    return ::futimens(fd, times) == 0 ? 0 : kPlatformFailed;
  }

  int FindFiles(const std::string& pattern, std::vector<FoundFile>* out) override {
    const std::size_t sep = pattern.rfind('/');
    const std::string dir = sep == std::string::npos ? std::string() : pattern.substr(0, sep + 1);
    const std::string mask = sep == std::string::npos ? pattern : pattern.substr(sep + 1);
    return FindFilesAny(dir, {mask}, out);
  }

  int FindFilesAny(const std::string& dir, const std::vector<std::string>& masks,
                   std::vector<FoundFile>* out) override {
    out->clear();
    if (masks.empty()) return 0;
    std::string host_dir;
    if (!Cp932ToUtf8(dir.empty() ? std::string(".") : dir, &host_dir)) return kPlatformFailed;
    DIR* d = ::opendir(host_dir.c_str());
    if (d == nullptr) return CodeFromErrno(errno);
    const int dfd = ::dirfd(d);
    std::string name;
    int failure = 0;
    const auto consider = [&](const char* host_name, unsigned char type) {
      if (host_name[0] == '.') return;  // hidden, and the . and .. entries
      // An entry that the directory itself reports as other than a regular file is skipped unstatted.
      if (type != DT_UNKNOWN && type != DT_REG) return;
      if (!Utf8ToCp932(host_name, &name)) return;
      bool matched = false;
      for (const std::string& mask : masks) matched = matched || WildcardMatch(mask, name);
      if (!matched) return;
      struct stat st;
      if (::fstatat(dfd, host_name, &st, AT_SYMLINK_NOFOLLOW) != 0) {
        // A name that vanished since the directory was read is simply gone; any other failure
        // leaves the listing incomplete.
        if (errno != ENOENT && failure == 0) failure = CodeFromErrno(errno) == kPlatformDenied ? kPlatformDenied : kPlatformFailed;
        return;
      }
      if (!S_ISREG(st.st_mode)) return;
      out->push_back({name, DosStampFromTime(st.st_mtime), static_cast<std::uint64_t>(st.st_size)});
    };
    // A large directory is read once per run: when a name looked up in it made its case index, the
    // index gives the same names.
    std::string key = host_dir;
    if (key.size() > 1 && key.back() == '/') key.pop_back();
    if (!ForEachIndexedName(key, [&](const char* n) { consider(n, DT_UNKNOWN); })) {
      // readdir gives null at the end and on a failure; only a failure sets errno.
      errno = 0;
      while (struct dirent* e = ::readdir(d)) {
        consider(e->d_name, e->d_type);
        errno = 0;
      }
      if (errno != 0 && failure == 0) failure = kPlatformFailed;
    }
    ::closedir(d);
    if (failure != 0) {
      out->clear();
      return failure;
    }
    SortFoundFiles(out);
    return 0;
  }

  bool NameFits(const std::string& dir, const std::string& name) override {
    std::string host_dir, host_name;
    if (!Cp932ToUtf8(dir.empty() ? std::string(".") : dir, &host_dir) || !Cp932ToUtf8(name, &host_name)) {
      return false;
    }
    errno = 0;
    long name_max = ::pathconf(host_dir.c_str(), _PC_NAME_MAX);
    if (name_max < 0) name_max = errno == 0 ? 255 : -1;
    if (name_max < 0) return false;
    return static_cast<long>(host_name.size()) <= name_max && host_dir.size() + 1 + host_name.size() < PATH_MAX;
  }

  int FindNames(const std::string& path, std::vector<std::string>* names) override {
    names->clear();
    std::string utf8;
    if (!Cp932ToUtf8(path, &utf8) || utf8.empty()) return kPlatformFailed;
    for (const std::string& n : NamesLike(utf8)) {
      std::string name;
      if (Utf8ToCp932(n, &name)) names->push_back(name);
    }
    return 0;
  }

  int LockFile(const std::string& path, int* fd) override {
    *fd = -1;
    std::string host;
    if (!HostPath(path, &host)) return kPlatformFailed;
    // A few turns at most: each one means a holder removed the file between our open and our lock.
    for (int turn = 0; turn < 8; ++turn) {
      const int flags = O_RDWR | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK;
      int f = ::open(host.c_str(), flags | O_CREAT | O_EXCL, 0666);
      if (f < 0 && errno != EEXIST) return CodeFromErrno(errno);
      if (f < 0) {
        // Something has the name: it is written to only when it is a lock file that this user could
        // have left, never through a link or into a file that has other names.
        const int found = TakeOverTarget(host);
        if (found == kPlatformNotFound) continue;
        if (found != 0) return found;
        f = ::open(host.c_str(), flags);
        if (f < 0 && errno == ENOENT) continue;
        if (f < 0) return errno == ELOOP ? kLockNotPlainFile : CodeFromErrno(errno);
      }
      struct stat opened;
      if (::fstat(f, &opened) != 0 || !S_ISREG(opened.st_mode) || opened.st_nlink != 1 ||
          opened.st_uid != ::geteuid() || ::fcntl(f, F_SETFL, 0) != 0) {
        ::close(f);
        return kPlatformFailed;
      }
      // An open-file-description lock: released when the process ends, and testable by others
      // without taking it (ProbeLock).
      struct flock lock = {};
      lock.l_type = F_WRLCK;
      lock.l_whence = SEEK_SET;
      if (::fcntl(f, F_OFD_SETLK, &lock) != 0) {
        const int e = errno;
        ::close(f);
        return e == EAGAIN || e == EACCES ? kPlatformBusy : kPlatformFailed;
      }
      // The lock must be of the file that has the name now, not of one removed meanwhile.
      struct stat named;
      if (::lstat(host.c_str(), &named) == 0 && named.st_dev == opened.st_dev && named.st_ino == opened.st_ino) {
        NoteNameChange(host, true);
        *fd = f;
        return 0;
      }
      ::close(f);
    }
    return kPlatformBusy;
  }

  int ProbeLock(const std::string& path) override {
    std::string host;
    if (!HostPath(path, &host)) return kPlatformFailed;
    return ProbeHostLock(host);
  }

  // ProbeLock of a host path.
  static int ProbeHostLock(const std::string& host) {
    const int f = ::open(host.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (f < 0) return errno == ENOENT ? 0 : CodeFromErrno(errno);
    struct flock lock = {};
    lock.l_type = F_RDLCK;
    lock.l_whence = SEEK_SET;
    const int r = ::fcntl(f, F_OFD_GETLK, &lock);
    ::close(f);
    if (r != 0) return kPlatformFailed;
    return lock.l_type == F_UNLCK ? 0 : kPlatformBusy;
  }

  // What stands under a lock file's name that LockFile did not make: 0 for a plain file of this user
  // with one name; kPlatformNotFound when it went meanwhile; kPlatformBusy while a process holds a
  // lock of it; else why it is not to be taken over.
  int TakeOverTarget(const std::string& host) {
    struct stat st;
    if (::lstat(host.c_str(), &st) != 0) return CodeFromErrno(errno);
    if (!S_ISREG(st.st_mode)) return kLockNotPlainFile;
    if (st.st_uid == ::geteuid() && st.st_nlink == 1) return 0;
    // A lock that another user's running import holds is that import, not a leftover.
    if (ProbeHostLock(host) == kPlatformBusy) return kPlatformBusy;
    return st.st_uid != ::geteuid() ? kLockOtherUser : kLockLinked;
  }

  std::string ProcessLabel() override {
    char name[256] = {};
    if (::gethostname(name, sizeof name - 1) != 0) name[0] = 0;
    return "pid " + std::to_string(::getpid()) + " on " + name;
  }

  int ListSubdirectories(const std::string& dir, std::vector<std::string>* names) override {
    names->clear();
    std::string host;
    if (!Cp932ToUtf8(dir.empty() ? std::string(".") : dir, &host)) return kPlatformFailed;
    DIR* d = ::opendir(host.c_str());
    if (d == nullptr) return kPlatformFailed;
    const int dfd = ::dirfd(d);
    while (struct dirent* e = ::readdir(d)) {
      std::string name;
      if (e->d_name[0] == '.' || !Utf8ToCp932(e->d_name, &name)) continue;
      struct stat st;
      if (::fstatat(dfd, e->d_name, &st, 0) == 0 && S_ISDIR(st.st_mode)) names->push_back(name);
    }
    ::closedir(d);
    SortByBytes(names);
    return 0;
  }

  std::vector<std::string> Roots() override {
    std::vector<std::string> roots{"/"};
    const char* home = std::getenv("HOME");
    std::string dir;
    if (home != nullptr && home[0] != '\0' && Utf8ToCp932(home, &dir)) {
      if (dir.back() != '/') dir += '/';
      if (dir != roots[0]) roots.push_back(dir);
    }
    return roots;
  }

  bool StderrIsTerminal() override { return ::isatty(STDERR_FILENO) == 1; }

  std::string ProgramPath() override {
    char buffer[4096];
    const ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (n <= 0) return "";
    std::string path;
    if (!Utf8ToCp932(std::string(buffer, static_cast<std::size_t>(n)), &path)) return "";
    return path;
  }

  bool SameFile(const std::string& a, const std::string& b) override {
    std::string host_a, host_b;
    return HostPath(a, &host_a) && HostPath(b, &host_b) && SameHostFile(host_a, host_b);
  }

  int MakeDirectories(const std::string& dir) override {
    std::string host;
    if (!Cp932ToUtf8(dir, &host)) return kPlatformFailed;
    return MakeHostDirectories(host);
  }

  int WriteSmallFile(const std::string& path, const std::string& bytes) override {
    std::string host;
    if (!HostPath(path, &host)) return kPlatformFailed;
    const int r = WriteHostFile(host, bytes);
    if (r == 0) NoteNameChange(host, true);
    return r;
  }

  std::string CurrentDir() override {
    char buffer[4096];
    if (::getcwd(buffer, sizeof buffer) == nullptr) return "";
    std::string dir;
    if (!Utf8ToCp932(buffer, &dir)) return "";
    return dir;
  }

  int SetCurrentDir(const std::string& dir) override {
    std::string host;
    if (!Cp932ToUtf8(dir, &host)) return kPlatformFailed;
    return ::chdir(host.c_str()) == 0 ? 0 : CodeFromErrno(errno);
  }

  bool ReadProfileString(const std::string& file, const std::string& section, const std::string& key,
                         std::string* value) override {
    std::string dir;
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg != nullptr && xdg[0] != '\0') {
      dir = xdg;
    } else if (const char* home = std::getenv("HOME"); home != nullptr && home[0] != '\0') {
      dir = std::string(home) + "/.config";
    } else {
      return false;
    }
    std::string host_file;
    if (!Cp932ToUtf8(file, &host_file)) return false;
    std::ifstream in(dir + "/" + host_file, std::ios::binary);
    if (!in) return false;
    std::ostringstream text;
    text << in.rdbuf();
    std::string section8, key8, found;
    if (!Cp932ToUtf8(section, &section8) || !Cp932ToUtf8(key, &key8)) return false;
    if (!ParseProfileValue(text.str(), section8, key8, &found)) return false;
    return Utf8ToCp932(found, value);
  }

 private:
  int StatPath(const std::string& path, struct stat* st) {
    std::string host;
    if (!HostPath(path, &host)) return kPlatformFailed;
    return ::lstat(host.c_str(), st) == 0 ? 0 : CodeFromErrno(errno);
  }
};

}  // namespace

bool HostPath(const std::string& path, std::string* host) {
  std::string utf8;
  if (!Cp932ToUtf8(path, &utf8) || utf8.empty()) return false;
  *host = ResolveLastComponent(utf8);
  return true;
}

namespace {

// The names of one directory by their upper-cased form, kept while the directory's modification time
// stays the same, so that resolving many names in a large directory does not scan it for each name.
// Directory times are coarse: a change in the same tick as the scan would leave the time as it was. So
// an index is trusted only when the directory had been still for a while when it was scanned; one made
// while the directory was changing is made again at the first lookup after that tick has surely
// passed, and serves as it stands until then (rescanning within the tick could miss a change later in
// it just the same, and rescanning at every lookup would make a run of changes cost the square of the
// directory's size). The platform's own changes update an index in place; no other program is to
// change the directory meanwhile, and a change by one that an own change follows within the index's
// life goes unseen until the index is made again.
// Compact, since a menu directory may hold 100,000 names: the names end to end in one buffer, and a
// sorted table of the hashes of their upper-cased forms; names added since the last sort wait in a
// short unsorted table.
struct DirIndex {
  using Slot = std::pair<std::uint64_t, std::uint32_t>;  // hash of the upper-cased name, its number
  struct timespec mtime {};
  bool trusted = false;
  std::time_t recheck = 0;           // untrusted: made again at a lookup from this time on
  std::string pool;                  // every name, each ended by a 0 byte
  std::vector<std::uint32_t> start;  // where name i starts in the pool
  std::vector<bool> removed;
  std::vector<Slot> sorted;  // by hash
  std::vector<Slot> recent;  // added after the sort

  static std::uint64_t Key(const std::string& name) { return std::hash<std::string>{}(AsciiUpper(name)); }
  const char* Name(std::uint32_t i) const { return pool.c_str() + start[i]; }

  // The names that equal `leaf` after upper-casing, sorted, each once.
  std::vector<std::string> Like(const std::string& leaf) const {
    const std::uint64_t key = Key(leaf);
    const std::string upper = AsciiUpper(leaf);
    std::vector<std::string> out;
    auto take = [&](const Slot& slot) {
      if (slot.first != key || removed[slot.second]) return;
      std::string n = Name(slot.second);
      if (AsciiUpper(n) == upper) out.push_back(std::move(n));
    };
    for (auto it = std::lower_bound(sorted.begin(), sorted.end(), Slot{key, 0}); it != sorted.end() && it->first == key;
         ++it) {
      take(*it);
    }
    for (const Slot& slot : recent) take(slot);
    std::sort(out.begin(), out.end());
    out.erase(std::unique(out.begin(), out.end()), out.end());
    return out;
  }

  void Append(const char* name) {
    start.push_back(static_cast<std::uint32_t>(pool.size()));
    pool.append(name);
    pool.push_back('\0');
    removed.push_back(false);
  }

  void Add(const std::string& name) {
    Append(name.c_str());
    recent.push_back({Key(name), static_cast<std::uint32_t>(start.size() - 1)});
    if (recent.size() > 1024) Sort();
  }

  void Remove(const std::string& name) {
    const std::uint64_t key = Key(name);
    auto drop = [&](const Slot& slot) {
      if (slot.first == key && name == Name(slot.second)) removed[slot.second] = true;
    };
    for (auto it = std::lower_bound(sorted.begin(), sorted.end(), Slot{key, 0}); it != sorted.end() && it->first == key;
         ++it) {
      drop(*it);
    }
    for (const Slot& slot : recent) drop(slot);
  }

  void Sort() {
    sorted.insert(sorted.end(), recent.begin(), recent.end());
    recent.clear();
    std::sort(sorted.begin(), sorted.end());
  }
};

constexpr std::time_t kStillSeconds = 2;

constexpr std::size_t kMaxIndexedDirs = 8;
std::unordered_map<std::string, DirIndex> g_dir_indexes;
// Held shared to read an index where none is made or changed, else alone.
std::shared_mutex g_dir_indexes_lock;

bool SameTime(const struct timespec& a, const struct timespec& b) {
  return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

void SplitHostPath(const std::string& host_path, std::string* parent, std::string* leaf) {
  const std::size_t slash = host_path.rfind('/');
  *parent = ParentOf(host_path);
  *leaf = slash == std::string::npos ? host_path : host_path.substr(slash + 1);
}

// The index of `parent`, rebuilt when the directory changed since it was made; null when unreadable.
const DirIndex* IndexOf(const std::string& parent) {
  struct stat st;
  if (::stat(parent.c_str(), &st) != 0) return nullptr;
  auto it = g_dir_indexes.find(parent);
  if (it != g_dir_indexes.end() && SameTime(it->second.mtime, st.st_mtim) &&
      (it->second.trusted || std::time(nullptr) < it->second.recheck)) {
    return &it->second;
  }
  DIR* d = ::opendir(parent.c_str());
  if (d == nullptr) return nullptr;
  if (g_dir_indexes.size() >= kMaxIndexedDirs) g_dir_indexes.clear();
  DirIndex& index = g_dir_indexes[parent];
  index = DirIndex();
  index.mtime = st.st_mtim;
  const std::time_t now = std::time(nullptr);
  index.trusted = st.st_mtim.tv_sec + kStillSeconds < now;
  // By this process's clock: a directory on a server whose clock runs ahead is still rescanned.
  index.recheck = now + kStillSeconds + 1;
  errno = 0;
  while (struct dirent* e = ::readdir(d)) {
    const std::string name = e->d_name;
    if (name != "." && name != "..") {
      index.Append(e->d_name);
      index.sorted.push_back({DirIndex::Key(name), static_cast<std::uint32_t>(index.start.size() - 1)});
    }
    errno = 0;
  }
  // A directory that could not be read to its end is no index: its missing names would read as absent,
  // and a listing built from it as an empty directory.
  const bool whole = errno == 0;
  ::closedir(d);
  if (!whole) {
    g_dir_indexes.erase(parent);
    return nullptr;
  }
  std::sort(index.sorted.begin(), index.sorted.end());
  return &index;
}

bool ForEachIndexedName(const std::string& host_dir, const std::function<void(const char*)>& visit) {
  struct stat st;
  if (::stat(host_dir.c_str(), &st) != 0) return false;
  const std::shared_lock<std::shared_mutex> hold(g_dir_indexes_lock);
  const auto it = g_dir_indexes.find(host_dir);
  if (it == g_dir_indexes.end() || !it->second.trusted || !SameTime(it->second.mtime, st.st_mtim)) return false;
  const DirIndex& index = it->second;
  for (std::uint32_t i = 0; i < index.start.size(); ++i) {
    if (!index.removed[i]) visit(index.Name(i));
  }
  return true;
}

}  // namespace

void NoteNameChange(const std::string& host_path, bool present) {
  std::string parent, leaf;
  SplitHostPath(host_path, &parent, &leaf);
  const std::lock_guard<std::shared_mutex> hold(g_dir_indexes_lock);
  auto it = g_dir_indexes.find(parent);
  if (it == g_dir_indexes.end()) return;
  struct stat st;
  if (::stat(parent.c_str(), &st) != 0) {
    g_dir_indexes.erase(it);
    return;
  }
  DirIndex& index = it->second;
  if (present) {
    const std::vector<std::string> like = index.Like(leaf);
    if (std::find(like.begin(), like.end(), leaf) == like.end()) index.Add(leaf);
  } else {
    index.Remove(leaf);
  }
  it->second.mtime = st.st_mtim;
}

std::string ResolveLastComponent(const std::string& host_path) {
  struct stat st;
  if (::lstat(host_path.c_str(), &st) == 0 || errno != ENOENT) return host_path;
  std::string parent, leaf;
  SplitHostPath(host_path, &parent, &leaf);
  if (leaf.empty()) return host_path;
  // Host names are UTF-8, whose bytes of non-ASCII characters are all 0x80 or above: upper-casing the
  // ASCII letters alone matches names as the CP932-aware rule does on their CP932 form. (The CP932 rule
  // would take UTF-8 bytes for lead bytes and skip the letter after them.)
  const std::lock_guard<std::shared_mutex> hold(g_dir_indexes_lock);
  const DirIndex* index = IndexOf(parent);
  if (index == nullptr) return host_path;
  const std::vector<std::string> like = index->Like(leaf);
  if (like.empty()) return host_path;
  const std::size_t slash = host_path.rfind('/');
  const std::string& best = like.front();
  return slash == std::string::npos ? best : host_path.substr(0, slash + 1) + best;
}

std::vector<std::string> NamesLike(const std::string& host_path) {
  std::vector<std::string> names;
  std::string parent, leaf;
  SplitHostPath(host_path, &parent, &leaf);
  if (leaf.empty()) return names;
  struct stat st;
  if (::lstat(host_path.c_str(), &st) == 0) names.push_back(leaf);
  const std::lock_guard<std::shared_mutex> hold(g_dir_indexes_lock);
  const DirIndex* index = IndexOf(parent);
  if (index == nullptr) return names;
  for (const std::string& n : index->Like(leaf)) {
    if (n != leaf && ::lstat((parent + "/" + n).c_str(), &st) == 0) names.push_back(n);
  }
  return names;
}

Platform& NativePlatform() {
  static PosixPlatform platform;
  return platform;
}

}  // namespace quarvel

#endif  // _WIN32
