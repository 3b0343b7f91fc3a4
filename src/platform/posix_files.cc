#include "platform/posix_files.h"
#ifndef _WIN32

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/platform.h"

namespace quarvel {

namespace {

int Code(int e) {
  if (e == ENOENT || e == ENOTDIR) return kPlatformNotFound;
  if (e == EACCES || e == EPERM || e == EROFS) return kPlatformDenied;
  return kPlatformFailed;
}

bool IsDirectory(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace

bool SameHostFile(const std::string& a, const std::string& b) {
  struct stat sa, sb;
  if (::stat(a.c_str(), &sa) != 0 || ::stat(b.c_str(), &sb) != 0) return false;
  return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

int MakeHostDirectories(const std::string& dir) {
  if (dir.empty()) return kPlatformFailed;
  // Each prefix that ends before a separator, then the whole path.
  for (std::size_t at = dir.find('/', 1);; at = dir.find('/', at + 1)) {
    const std::string part = dir.substr(0, at);
    if (!part.empty() && part.back() != '/' && ::mkdir(part.c_str(), 0755) != 0 && errno != EEXIST) {
      return Code(errno);
    }
    if (at == std::string::npos) break;
  }
  return IsDirectory(dir) ? 0 : kPlatformFailed;
}

int WriteHostFile(const std::string& path, const std::string& bytes) {
  const std::size_t slash = path.rfind('/');
  const std::string dir = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
  const std::string leaf = path.substr(dir.size());
  if (leaf.empty()) return kPlatformFailed;
  const std::string part = dir + "." + leaf + "." + std::to_string(::getpid()) + ".part";
  const int fd = ::open(part.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
  if (fd < 0) return Code(errno);
  // A file that is replaced keeps its permissions (a private one stays private).
  struct stat old;
  if (::lstat(path.c_str(), &old) == 0 && S_ISREG(old.st_mode)) ::fchmod(fd, old.st_mode & 07777);
  int error = 0;
  for (std::size_t done = 0; done < bytes.size() && error == 0;) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n > 0) {
      done += static_cast<std::size_t>(n);
    } else if (n == 0 || errno != EINTR) {
      error = n == 0 ? EIO : errno;
    }
  }
  if (error == 0 && ::fsync(fd) != 0) error = errno;
  if (::close(fd) != 0 && error == 0) error = errno;
  if (error != 0) {
    ::unlink(part.c_str());
    return Code(error);
  }
  if (::rename(part.c_str(), path.c_str()) != 0) {
    const int renameError = errno;
    ::unlink(part.c_str());
    return Code(renameError);
  }
  return 0;
}

}  // namespace quarvel

#endif  // _WIN32
