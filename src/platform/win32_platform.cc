// The Win32 implementation of the platform layer, through the W APIs: every CP932 path is converted
// to UTF-16 with the code page 932 table, so names are right whatever the system's code page.
// Descriptors are small integers that index a table of handles.
#ifdef _WIN32

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <mutex>
#include <string>
#include <vector>

#include "platform/dos_time.h"
#include "platform/listing_order.h"
#include "platform/platform.h"
#include "platform/profile.h"
#include "platform/text.h"
#include "platform/wildcard.h"
#include "platform/win32_text.h"

namespace quarvel {

namespace {

// The byte range that the directory lock holds: far past any data, so that the lock file's text stays
// readable by others (Windows locks are mandatory for the bytes they cover).
constexpr DWORD kLockOffsetHigh = 0x40000000;

int CodeFromError(DWORD e) {
  if (e == ERROR_FILE_NOT_FOUND || e == ERROR_PATH_NOT_FOUND || e == ERROR_INVALID_DRIVE ||
      e == ERROR_BAD_NETPATH) {
    return kPlatformNotFound;
  }
  if (e == ERROR_ACCESS_DENIED || e == ERROR_SHARING_VIOLATION || e == ERROR_WRITE_PROTECT) {
    return kPlatformDenied;
  }
  return kPlatformFailed;
}

bool WidePath(const std::string& path, std::wstring* wide) {
  return !path.empty() && Cp932ToWide(path, wide) && wide->find(L'\0') == std::wstring::npos;
}

// A handle of what `path` reaches (a directory too; links followed), for its identity only.
HANDLE OpenForIdentity(const std::string& path) {
  std::wstring wide;
  if (!WidePath(path, &wide)) return INVALID_HANDLE_VALUE;
  return ::CreateFileW(wide.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                       OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
}

// The position just after the last separator ("\" or "/") of a UTF-16 path, 0 when there is none.
std::size_t LeafStart(const std::wstring& path) {
  const std::size_t sep = path.find_last_of(L"\\/");
  if (sep != std::wstring::npos) return sep + 1;
  return path.size() >= 2 && path[1] == L':' ? 2 : 0;
}

// A regular file: neither a directory nor a reparse point (a link or a junction).
bool IsRegular(DWORD attrs) {
  return (attrs & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DEVICE)) == 0;
}

std::uint32_t DosStampFromFileTime(const FILETIME& utc) {
  FILETIME local;
  WORD date = 0, time = 0;
  if (::FileTimeToLocalFileTime(&utc, &local) && ::FileTimeToDosDateTime(&local, &date, &time)) {
    return (static_cast<std::uint32_t>(date) << 16) | time;
  }
  // Out of the DOS range: before 1980 gives its first stamp, after 2107 its last.
  SYSTEMTIME st;
  if (::FileTimeToSystemTime(&local, &st) && st.wYear > 2107) return MakeDosStamp(2107, 12, 31, 23, 59, 58);
  return MakeDosStamp(1980, 1, 1, 0, 0, 0);
}

class HandleTable {
 public:
  int Add(HANDLE h) {
    std::lock_guard<std::mutex> guard(mutex_);
    for (std::size_t i = 0; i < handles_.size(); ++i) {
      if (handles_[i] == INVALID_HANDLE_VALUE) {
        handles_[i] = h;
        return static_cast<int>(i);
      }
    }
    handles_.push_back(h);
    return static_cast<int>(handles_.size() - 1);
  }

  HANDLE Get(int fd) {
    std::lock_guard<std::mutex> guard(mutex_);
    if (fd < 0 || static_cast<std::size_t>(fd) >= handles_.size()) return INVALID_HANDLE_VALUE;
    return handles_[static_cast<std::size_t>(fd)];
  }

  HANDLE Take(int fd) {
    std::lock_guard<std::mutex> guard(mutex_);
    if (fd < 0 || static_cast<std::size_t>(fd) >= handles_.size()) return INVALID_HANDLE_VALUE;
    HANDLE h = handles_[static_cast<std::size_t>(fd)];
    handles_[static_cast<std::size_t>(fd)] = INVALID_HANDLE_VALUE;
    return h;
  }

 private:
  std::mutex mutex_;
  std::vector<HANDLE> handles_;
};

// Opens a file without following a link in the last component; on success the handle is of a regular
// file. `disposition` is CreateFileW's. Returns the handle, or INVALID_HANDLE_VALUE with `*code` set.
HANDLE OpenRegular(const std::wstring& wide, DWORD access, DWORD disposition, int* code) {
  const DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
  HANDLE h = ::CreateFileW(wide.c_str(), access, share, nullptr, disposition,
                           FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    const DWORD e = ::GetLastError();
    // A directory under the name is "not a file", not a denial.
    const DWORD attrs = ::GetFileAttributesW(wide.c_str());
    *code = attrs != INVALID_FILE_ATTRIBUTES && !IsRegular(attrs) ? kPlatformFailed : CodeFromError(e);
    return INVALID_HANDLE_VALUE;
  }
  BY_HANDLE_FILE_INFORMATION info;
  if (!::GetFileInformationByHandle(h, &info) || !IsRegular(info.dwFileAttributes) ||
      ::GetFileType(h) != FILE_TYPE_DISK) {
    ::CloseHandle(h);
    *code = kPlatformFailed;
    return INVALID_HANDLE_VALUE;
  }
  return h;
}

bool SameFileHandles(HANDLE a, HANDLE b) {
  BY_HANDLE_FILE_INFORMATION x, y;
  return ::GetFileInformationByHandle(a, &x) && ::GetFileInformationByHandle(b, &y) &&
         x.dwVolumeSerialNumber == y.dwVolumeSerialNumber && x.nFileIndexHigh == y.nFileIndexHigh &&
         x.nFileIndexLow == y.nFileIndexLow;
}

class Win32Platform final : public Platform {
 public:
  int Open(const std::string& path, OpenMode mode) override {
    std::wstring wide;
    if (!WidePath(path, &wide)) return kPlatformFailed;
    DWORD access = GENERIC_READ;
    DWORD disposition = OPEN_EXISTING;
    if (mode == OpenMode::kReadWriteCreate) {
      access |= GENERIC_WRITE;
      disposition = OPEN_ALWAYS;  // created when missing, never truncated
    } else if (mode == OpenMode::kCreateNew) {
      access |= GENERIC_WRITE;
      disposition = CREATE_NEW;  // fails on any name, a dangling link included
    }
    int code = 0;
    // A descriptor for reading can set the file's stamp, as on POSIX, where the owner may always do
    // so; where even that is refused, it opens for reading alone.
    HANDLE h = OpenRegular(wide, access | FILE_WRITE_ATTRIBUTES, disposition, &code);
    if (h == INVALID_HANDLE_VALUE && code == kPlatformDenied && mode == OpenMode::kRead) {
      h = OpenRegular(wide, access, disposition, &code);
    }
    if (h == INVALID_HANDLE_VALUE) return code;
    return handles_.Add(h);
  }

  long Read(int fd, void* buffer, std::size_t n) override {
    HANDLE h = handles_.Get(fd);
    if (h == INVALID_HANDLE_VALUE) return -1;
    std::size_t done = 0;
    while (done < n) {
      const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(n - done, 1u << 30));
      DWORD got = 0;
      if (!::ReadFile(h, static_cast<char*>(buffer) + done, chunk, &got, nullptr)) {
        return done > 0 ? static_cast<long>(done) : -1;
      }
      if (got == 0) break;
      done += got;
    }
    return static_cast<long>(done);
  }

  long Write(int fd, const void* buffer, std::size_t n) override {
    HANDLE h = handles_.Get(fd);
    if (h == INVALID_HANDLE_VALUE) return -1;
    std::size_t done = 0;
    while (done < n) {
      const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(n - done, 1u << 30));
      DWORD put = 0;
      if (!::WriteFile(h, static_cast<const char*>(buffer) + done, chunk, &put, nullptr) || put == 0) {
        return done > 0 ? static_cast<long>(done) : -1;
      }
      done += put;
    }
    return static_cast<long>(done);
  }

  std::int64_t Seek(int fd, std::int64_t offset) override {
    HANDLE h = handles_.Get(fd);
    if (h == INVALID_HANDLE_VALUE || offset < 0) return -1;
    LARGE_INTEGER to, now;
    to.QuadPart = offset;
    if (!::SetFilePointerEx(h, to, &now, FILE_BEGIN)) return -1;
    return now.QuadPart;
  }

  std::int64_t Tell(int fd) override {
    HANDLE h = handles_.Get(fd);
    if (h == INVALID_HANDLE_VALUE) return -1;
    LARGE_INTEGER zero, now;
    zero.QuadPart = 0;
    if (!::SetFilePointerEx(h, zero, &now, FILE_CURRENT)) return -1;
    return now.QuadPart;
  }

  std::int64_t Size(int fd) override {
    HANDLE h = handles_.Get(fd);
    LARGE_INTEGER size;
    if (h == INVALID_HANDLE_VALUE || !::GetFileSizeEx(h, &size)) return -1;
    return size.QuadPart;
  }

  int Close(int fd) override {
    HANDLE h = handles_.Take(fd);
    if (h == INVALID_HANDLE_VALUE) return kPlatformFailed;
    return ::CloseHandle(h) ? 0 : kPlatformFailed;
  }

  // The handle table takes a lock for each change; the calls themselves are the system's.
  bool ConcurrentReads() override { return true; }

  // Windows has no copy between two open handles that keeps both positions; the caller reads and
  // writes.
  long CopyBytes(int, int, std::size_t) override { return kPlatformUnsupported; }

  int Flush(int fd) override {
    HANDLE h = handles_.Get(fd);
    if (h == INVALID_HANDLE_VALUE) return kPlatformFailed;
    return ::FlushFileBuffers(h) ? 0 : kPlatformFailed;
  }

  // The cache manager writes behind on its own; there is no call that starts it for a range.
  int StartWriteBack(int fd, std::int64_t offset, std::int64_t length) override {
    if (offset < 0 || length < 0 || handles_.Get(fd) == INVALID_HANDLE_VALUE) return kPlatformFailed;
    return 0;
  }

  // Flushing a volume takes administrator rights: each file is flushed on its own.
  int FlushFileSystem(int) override { return kPlatformUnsupported; }
  bool FlushesFileSystem(int) override { return false; }

  int FlushDir(const std::string& dir) override {
    std::wstring wide;
    if (!WidePath(dir.empty() ? std::string(".") : dir, &wide)) return kPlatformFailed;
    const DWORD attrs = ::GetFileAttributesW(wide.c_str());
    if (attrs == INVALID_FILE_ATTRIBUTES) return CodeFromError(::GetLastError());
    if (!(attrs & FILE_ATTRIBUTE_DIRECTORY)) return kPlatformFailed;
    // NTFS journals its directory entries; flushing a directory handle also writes them out where the
    // file system allows it (it needs write access). A file system that refuses has nothing to flush.
    HANDLE h = ::CreateFileW(wide.c_str(), GENERIC_READ | GENERIC_WRITE,
                             FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                             FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE) return 0;
    ::FlushFileBuffers(h);
    ::CloseHandle(h);
    return 0;
  }

  int Remove(const std::string& path) override {
    std::wstring wide;
    if (!WidePath(path, &wide)) return kPlatformFailed;
    if (::DeleteFileW(wide.c_str())) return 0;
    const DWORD e = ::GetLastError();
    const DWORD attrs = ::GetFileAttributesW(wide.c_str());
    // A directory is not removed as a file; a link to one is (RemoveDirectoryW takes a junction or a
    // directory link away without touching its target).
    if (attrs != INVALID_FILE_ATTRIBUTES && (attrs & FILE_ATTRIBUTE_DIRECTORY)) {
      if ((attrs & FILE_ATTRIBUTE_REPARSE_POINT) && ::RemoveDirectoryW(wide.c_str())) return 0;
      return kPlatformFailed;
    }
    return CodeFromError(e);
  }

  int Rename(const std::string& from, const std::string& to) override {
    std::wstring wfrom, wto;
    if (!WidePath(from, &wfrom) || !WidePath(to, &wto)) return kPlatformFailed;
    // No flags: fails onto an existing name, and never copies across volumes.
    if (::MoveFileExW(wfrom.c_str(), wto.c_str(), 0)) return 0;
    const DWORD e = ::GetLastError();
    return e == ERROR_ALREADY_EXISTS || e == ERROR_FILE_EXISTS ? kPlatformFailed : CodeFromError(e);
  }

  int ReplaceFile(const std::string& from, const std::string& to) override {
    std::wstring wfrom, wto;
    if (!WidePath(from, &wfrom) || !WidePath(to, &wto)) return kPlatformFailed;
    if (::MoveFileExW(wfrom.c_str(), wto.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return 0;
    return CodeFromError(::GetLastError());
  }

  // The file system ignores case: the name as typed and the one on disk are one file.
  int ReplaceFileExact(const std::string& from, const std::string& to) override { return ReplaceFile(from, to); }

  int GetAttributes(const std::string& path, std::uint32_t* attrs) override {
    std::wstring wide;
    if (!WidePath(path, &wide)) return kPlatformFailed;
    const DWORD a = ::GetFileAttributesW(wide.c_str());
    if (a == INVALID_FILE_ATTRIBUTES) return CodeFromError(::GetLastError());
    if (a & FILE_ATTRIBUTE_REPARSE_POINT) {
      *attrs = kAttrLink;
    } else if (a & FILE_ATTRIBUTE_DIRECTORY) {
      *attrs = kAttrDirectory;
    } else {
      *attrs = (a & FILE_ATTRIBUTE_READONLY) ? kAttrReadOnly : 0;
    }
    return 0;
  }

  int IdentifyName(const std::string& path, FileId* id) override {
    std::wstring wide;
    if (!WidePath(path, &wide)) return kPlatformFailed;
    HANDLE h = ::CreateFileW(wide.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                             nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (h == INVALID_HANDLE_VALUE) return CodeFromError(::GetLastError());
    const int r = IdFromHandle(h, id);
    ::CloseHandle(h);
    return r;
  }

  int IdentifyFd(int fd, FileId* id) override {
    HANDLE h = handles_.Get(fd);
    return h == INVALID_HANDLE_VALUE ? kPlatformFailed : IdFromHandle(h, id);
  }

  static int IdFromHandle(HANDLE h, FileId* id) {
    BY_HANDLE_FILE_INFORMATION info;
    FILE_BASIC_INFO basic;
    if (!::GetFileInformationByHandle(h, &info) || !::GetFileInformationByHandleEx(h, FileBasicInfo, &basic, sizeof basic)) {
      return kPlatformFailed;
    }
    id->volume = info.dwVolumeSerialNumber;
    id->index = (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
    id->size = (static_cast<std::uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
    id->writeTime = basic.LastWriteTime.QuadPart;
    id->changeTime = basic.ChangeTime.QuadPart;
    const DWORD a = info.dwFileAttributes;
    if (a & FILE_ATTRIBUTE_REPARSE_POINT) {
      id->attrs = kAttrLink;
    } else if (a & FILE_ATTRIBUTE_DIRECTORY) {
      id->attrs = kAttrDirectory;
    } else {
      id->attrs = (a & FILE_ATTRIBUTE_READONLY) ? kAttrReadOnly : 0;
    }
    return 0;
  }

  int HoldFile(const std::string& path, int* fd) override {
    *fd = -1;
    std::wstring wide;
    if (!WidePath(path, &wide)) return kPlatformFailed;
    // Readers and a rename are let in; a writer is refused while the handle is open.
    HANDLE h = ::CreateFileW(wide.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                             FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
      const DWORD e = ::GetLastError();
      return e == ERROR_SHARING_VIOLATION ? kPlatformBusy : CodeFromError(e);
    }
    BY_HANDLE_FILE_INFORMATION info;
    if (!::GetFileInformationByHandle(h, &info) || !IsRegular(info.dwFileAttributes)) {
      ::CloseHandle(h);
      return kPlatformFailed;
    }
    *fd = handles_.Add(h);
    return 0;
  }

  int SetAttributes(const std::string& path, std::uint32_t attrs) override {
    std::wstring wide;
    if (!WidePath(path, &wide)) return kPlatformFailed;
    const DWORD a = ::GetFileAttributesW(wide.c_str());
    if (a == INVALID_FILE_ATTRIBUTES) return CodeFromError(::GetLastError());
    if (!IsRegular(a)) return kPlatformFailed;
    DWORD next = (attrs & kAttrReadOnly) ? (a | FILE_ATTRIBUTE_READONLY) : (a & ~FILE_ATTRIBUTE_READONLY);
    if (next == 0) next = FILE_ATTRIBUTE_NORMAL;
    return ::SetFileAttributesW(wide.c_str(), next) ? 0 : CodeFromError(::GetLastError());
  }

  int GetStamp(const std::string& path, std::uint32_t* stamp) override {
    std::wstring wide;
    if (!WidePath(path, &wide)) return kPlatformFailed;
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!::GetFileAttributesExW(wide.c_str(), GetFileExInfoStandard, &data)) {
      return CodeFromError(::GetLastError());
    }
    *stamp = DosStampFromFileTime(data.ftLastWriteTime);
    return 0;
  }

  int GetStampFd(int fd, std::uint32_t* stamp) override {
    HANDLE h = handles_.Get(fd);
    FILETIME written;
    if (h == INVALID_HANDLE_VALUE || !::GetFileTime(h, nullptr, nullptr, &written)) return kPlatformFailed;
    *stamp = DosStampFromFileTime(written);
    return 0;
  }

  int SetStampFd(int fd, std::uint32_t stamp) override {
    HANDLE h = handles_.Get(fd);
    if (h == INVALID_HANDLE_VALUE) return kPlatformFailed;
    FILETIME local, utc;
    if (!::DosDateTimeToFileTime(static_cast<WORD>(stamp >> 16), static_cast<WORD>(stamp & 0xFFFF), &local) ||
        !::LocalFileTimeToFileTime(&local, &utc)) {
      return kPlatformFailed;
    }
    // DosDateTimeToFileTime takes day 0 or month 13 without complaint: only a stamp that reads back
    // as itself is a stamp.
    WORD date = 0, time = 0;
    if (!::FileTimeToDosDateTime(&local, &date, &time) || date != (stamp >> 16) || time != (stamp & 0xFFFF)) {
      return kPlatformFailed;
    }
    return ::SetFileTime(h, nullptr, &utc, &utc) ? 0 : kPlatformFailed;
  }

  int FindFiles(const std::string& pattern, std::vector<FoundFile>* out) override {
    out->clear();
    std::wstring wide;
    if (pattern.empty()) return 0;
    if (!WidePath(pattern, &wide)) return kPlatformFailed;
    const std::size_t leaf = LeafStart(wide);
    std::string mask;
    if (!WideToCp932(wide.substr(leaf), &mask)) return kPlatformFailed;
    return SearchDirectory(wide.substr(0, leaf) + L"*", {mask}, out);
  }

  int FindFilesAny(const std::string& dir, const std::vector<std::string>& masks,
                   std::vector<FoundFile>* out) override {
    out->clear();
    if (masks.empty()) return 0;
    std::wstring all;
    if (!WidePath(dir + "*", &all)) return kPlatformFailed;
    return SearchDirectory(all, masks, out);
  }

  int FindNames(const std::string& path, std::vector<std::string>* names) override {
    names->clear();
    std::wstring wide;
    if (!WidePath(path, &wide)) return kPlatformFailed;
    const std::size_t leaf = LeafStart(wide);
    const std::wstring name = wide.substr(leaf);
    // A wildcard is no part of a Windows name: nothing can stand under it.
    if (name.empty() || name.find_first_of(L"*?") != std::wstring::npos) return 0;
    WIN32_FIND_DATAW data;
    HANDLE find = ::FindFirstFileExW(wide.c_str(), FindExInfoBasic, &data, FindExSearchNameMatch, nullptr, 0);
    if (find == INVALID_HANDLE_VALUE) return 0;
    ::FindClose(find);
    // The name on disk, unless only its short 8.3 alias matched.
    std::string found, asked;
    if (!WideToCp932(data.cFileName, &found) || !WideToCp932(name, &asked)) return 0;
    if (SjisAsciiUpper(found) == SjisAsciiUpper(asked) ||
        ::CompareStringOrdinal(data.cFileName, -1, name.c_str(), -1, TRUE) == CSTR_EQUAL) {
      names->push_back(found);
    }
    return 0;
  }

  bool NameFits(const std::string& dir, const std::string& name) override {
    std::wstring wdir, wname;
    if (!WidePath(dir.empty() ? std::string(".") : dir, &wdir) || !WidePath(name, &wname)) return false;
    // NTFS, exFAT and the long names of FAT hold 255 UTF-16 units per name.
    constexpr std::size_t kMaxComponent = 255;
    wchar_t full[MAX_PATH * 4];
    const DWORD n = ::GetFullPathNameW(wdir.c_str(), MAX_PATH * 4, full, nullptr);
    if (n == 0 || n >= MAX_PATH * 4) return false;
    std::wstring whole(full, n);
    if (whole.back() != L'\\' && whole.back() != L'/') whole += L'\\';
    // Without the long-path prefix a path holds fewer than MAX_PATH characters with its end.
    return wname.size() <= kMaxComponent && whole.size() + wname.size() < MAX_PATH;
  }

  int LockFile(const std::string& path, int* fd) override {
    *fd = -1;
    std::wstring wide;
    if (!WidePath(path, &wide)) return kPlatformFailed;
    // A few turns at most: each one means a holder removed the file between our open and our lock.
    for (int turn = 0; turn < 8; ++turn) {
      int code = 0;
      // A new lock file is made exclusively; one that is there is written to only when it is a plain
      // file without further names (a hard link would carry the label to another file).
      HANDLE h = OpenRegular(wide, GENERIC_READ | GENERIC_WRITE, CREATE_NEW, &code);
      if (h == INVALID_HANDLE_VALUE) {
        const DWORD attrs = ::GetFileAttributesW(wide.c_str());
        if (attrs == INVALID_FILE_ATTRIBUTES) {
          if (CodeFromError(::GetLastError()) == kPlatformNotFound) continue;
          return code;
        }
        if (!IsRegular(attrs)) return kLockNotPlainFile;
        HANDLE look = ::CreateFileW(wide.c_str(), FILE_READ_ATTRIBUTES,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                    FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
        BY_HANDLE_FILE_INFORMATION info;
        const bool known = look != INVALID_HANDLE_VALUE && ::GetFileInformationByHandle(look, &info);
        if (look != INVALID_HANDLE_VALUE) ::CloseHandle(look);
        if (known && info.nNumberOfLinks > 1) return kLockLinked;
        h = OpenRegular(wide, GENERIC_READ | GENERIC_WRITE, OPEN_EXISTING, &code);
      }
      if (h == INVALID_HANDLE_VALUE) {
        // A holder that is releasing leaves its file pending deletion, which refuses opens for a
        // moment; a read-only or unwritable file refuses them for good.
        const DWORD attrs = ::GetFileAttributesW(wide.c_str());
        if (code == kPlatformNotFound) continue;
        if (code == kPlatformDenied && attrs != INVALID_FILE_ATTRIBUTES && !(attrs & FILE_ATTRIBUTE_READONLY)) {
          ::Sleep(20);
          continue;
        }
        return code;
      }
      BY_HANDLE_FILE_INFORMATION opened;
      if (!::GetFileInformationByHandle(h, &opened) || opened.nNumberOfLinks != 1) {
        ::CloseHandle(h);
        return kLockLinked;
      }
      OVERLAPPED at = {};
      at.OffsetHigh = kLockOffsetHigh;
      if (!::LockFileEx(h, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at)) {
        const DWORD e = ::GetLastError();
        ::CloseHandle(h);
        return e == ERROR_LOCK_VIOLATION || e == ERROR_IO_PENDING ? kPlatformBusy : kPlatformFailed;
      }
      // The lock must be of the file that has the name now, not of one removed meanwhile.
      HANDLE named = ::CreateFileW(wide.c_str(), FILE_READ_ATTRIBUTES,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                   FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
      const bool same = named != INVALID_HANDLE_VALUE && SameFileHandles(h, named);
      if (named != INVALID_HANDLE_VALUE) ::CloseHandle(named);
      if (same) {
        *fd = handles_.Add(h);
        return 0;
      }
      ::CloseHandle(h);
    }
    return kPlatformBusy;
  }

  int ProbeLock(const std::string& path) override {
    std::wstring wide;
    if (!WidePath(path, &wide)) return kPlatformFailed;
    HANDLE h = ::CreateFileW(wide.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                             nullptr, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
      const int code = CodeFromError(::GetLastError());
      if (code == kPlatformNotFound) return 0;
      // Pending deletion: its holder is letting go right now.
      return code == kPlatformDenied ? kPlatformBusy : code;
    }
    OVERLAPPED at = {};
    at.OffsetHigh = kLockOffsetHigh;
    int result = 0;
    if (::LockFileEx(h, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at)) {
      OVERLAPPED again = {};
      again.OffsetHigh = kLockOffsetHigh;
      ::UnlockFileEx(h, 0, 1, 0, &again);
    } else {
      const DWORD e = ::GetLastError();
      result = e == ERROR_LOCK_VIOLATION || e == ERROR_IO_PENDING ? kPlatformBusy : kPlatformFailed;
    }
    ::CloseHandle(h);
    return result;
  }

  std::string ProcessLabel() override {
    wchar_t host[MAX_COMPUTERNAME_LENGTH + 1] = {};
    DWORD size = MAX_COMPUTERNAME_LENGTH + 1;
    std::string name;
    if (!::GetComputerNameW(host, &size) || !WideToCp932(std::wstring(host, size), &name)) name.clear();
    return "pid " + std::to_string(::GetCurrentProcessId()) + " on " + name;
  }

  int ListSubdirectories(const std::string& dir, std::vector<std::string>* names) override {
    names->clear();
    std::wstring wide;
    if (!WidePath(dir.empty() ? std::string(".") : dir, &wide)) return kPlatformFailed;
    if (wide.back() != L'\\' && wide.back() != L'/') wide += L'\\';
    wide += L"*";
    WIN32_FIND_DATAW data;
    HANDLE find = ::FindFirstFileExW(wide.c_str(), FindExInfoBasic, &data, FindExSearchLimitToDirectories, nullptr, 0);
    if (find == INVALID_HANDLE_VALUE) return ::GetLastError() == ERROR_FILE_NOT_FOUND ? 0 : kPlatformFailed;
    do {
      const DWORD a = data.dwFileAttributes;
      if (!(a & FILE_ATTRIBUTE_DIRECTORY) || (a & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM))) continue;
      std::string name;
      if (data.cFileName[0] == L'.' || !WideToCp932(data.cFileName, &name)) continue;
      names->push_back(name);
    } while (::FindNextFileW(find, &data));
    ::FindClose(find);
    SortByBytes(names);
    return 0;
  }

  std::vector<std::string> Roots() override {
    std::vector<std::string> roots;
    const DWORD drives = ::GetLogicalDrives();
    for (int i = 0; i < 26; ++i) {
      if (drives & (1u << i)) roots.push_back(std::string(1, static_cast<char>('a' + i)) + ":\\");
    }
    return roots;
  }

  bool StderrIsTerminal() override {
    DWORD mode = 0;
    return ::GetConsoleMode(::GetStdHandle(STD_ERROR_HANDLE), &mode) != 0;
  }

  std::string ProgramPath() override {
    std::wstring buffer(MAX_PATH, L'\0');
    for (;;) {
      const DWORD n = ::GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
      if (n == 0) return "";
      if (n < buffer.size()) {
        buffer.resize(n);
        break;
      }
      if (buffer.size() > 32768) return "";
      buffer.resize(buffer.size() * 2);
    }
    std::string path;
    return WideToCp932(buffer, &path) ? path : "";
  }

  bool SameFile(const std::string& a, const std::string& b) override {
    HANDLE ha = OpenForIdentity(a);
    HANDLE hb = OpenForIdentity(b);
    const bool same = ha != INVALID_HANDLE_VALUE && hb != INVALID_HANDLE_VALUE && SameFileHandles(ha, hb);
    if (ha != INVALID_HANDLE_VALUE) ::CloseHandle(ha);
    if (hb != INVALID_HANDLE_VALUE) ::CloseHandle(hb);
    return same;
  }

  int MakeDirectories(const std::string& dir) override {
    std::wstring wide;
    if (!WidePath(dir, &wide)) return kPlatformFailed;
    // Each prefix that ends before a separator, from the first below a drive ("C:") or a share
    // ("\\host\share").
    std::size_t at = wide.find_first_of(L"\\/", 1);
    if (wide.compare(0, 2, L"\\\\") == 0) {
      for (int i = 0; i < 3 && at != std::wstring::npos; ++i) at = wide.find_first_of(L"\\/", at + 1);
    }
    for (bool last = false; !last; at = wide.find_first_of(L"\\/", at + 1)) {
      last = at == std::wstring::npos;
      const std::wstring part = wide.substr(0, at);
      const bool root = part.empty() || part.back() == L':' || part.back() == L'\\' || part.back() == L'/';
      if (!root && !::CreateDirectoryW(part.c_str(), nullptr)) {
        const DWORD e = ::GetLastError();
        if (e != ERROR_ALREADY_EXISTS && e != ERROR_ACCESS_DENIED) return CodeFromError(e);
      }
      if (last) break;
    }
    const DWORD a = ::GetFileAttributesW(wide.c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY) ? 0 : kPlatformFailed;
  }

  int WriteSmallFile(const std::string& path, const std::string& bytes) override {
    std::wstring wide;
    if (!WidePath(path, &wide)) return kPlatformFailed;
    const std::wstring part = wide + L"." + std::to_wstring(::GetCurrentProcessId()) + L".part";
    HANDLE h = ::CreateFileW(part.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return CodeFromError(::GetLastError());
    DWORD error = 0;
    for (std::size_t done = 0; done < bytes.size() && error == 0;) {
      const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 20));
      DWORD n = 0;
      if (!::WriteFile(h, bytes.data() + done, chunk, &n, nullptr) || n == 0) {
        error = n == 0 && ::GetLastError() == 0 ? ERROR_WRITE_FAULT : ::GetLastError();
      }
      done += n;
    }
    if (error == 0 && !::FlushFileBuffers(h)) error = ::GetLastError();
    ::CloseHandle(h);
    if (error == 0 && !::MoveFileExW(part.c_str(), wide.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
      error = ::GetLastError();
    }
    if (error != 0) {
      ::DeleteFileW(part.c_str());
      return CodeFromError(error);
    }
    return 0;
  }

  std::string CurrentDir() override {
    const DWORD n = ::GetCurrentDirectoryW(0, nullptr);
    if (n == 0) return "";
    std::wstring buffer(n, L'\0');
    const DWORD got = ::GetCurrentDirectoryW(n, buffer.data());
    if (got == 0 || got >= n) return "";
    buffer.resize(got);
    std::string dir;
    return WideToCp932(buffer, &dir) ? dir : "";
  }

  int SetCurrentDir(const std::string& dir) override {
    std::wstring wide;
    if (!WidePath(dir, &wide)) return kPlatformFailed;
    return ::SetCurrentDirectoryW(wide.c_str()) ? 0 : CodeFromError(::GetLastError());
  }

  // The settings file in the Windows directory, read as CP932 bytes with the private-profile rules, so
  // that a value means the same whatever the system's code page is.
  bool ReadProfileString(const std::string& file, const std::string& section, const std::string& key,
                         std::string* value) override {
    std::wstring wfile;
    if (!WidePath(file, &wfile)) return false;
    wchar_t windows[MAX_PATH];
    const UINT n = ::GetWindowsDirectoryW(windows, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return false;
    std::wstring path(windows, n);
    if (path.back() != L'\\') path += L'\\';
    path += wfile;
    int code = 0;
    HANDLE h = OpenRegular(path, GENERIC_READ, OPEN_EXISTING, &code);
    if (h == INVALID_HANDLE_VALUE) return false;
    std::string text;
    char buffer[4096];
    DWORD got = 0;
    while (::ReadFile(h, buffer, sizeof buffer, &got, nullptr) && got > 0 && text.size() < (1u << 20)) {
      text.append(buffer, got);
    }
    ::CloseHandle(h);
    return ParseProfileValue(text, section, key, value);
  }

 private:
  // Lists every name that `all` (a directory followed by "*") finds and keeps the regular, visible
  // files matching one of `masks` by our own rule: the system's matcher also tries the short 8.3
  // names, so "*.SST" would find "MENU.SSTX" through "MENU~1.SST".
  static int SearchDirectory(const std::wstring& all, const std::vector<std::string>& masks,
                             std::vector<FoundFile>* out) {
    WIN32_FIND_DATAW data;
    HANDLE find = ::FindFirstFileExW(all.c_str(), FindExInfoBasic, &data, FindExSearchNameMatch, nullptr, 0);
    if (find == INVALID_HANDLE_VALUE) {
      // Nothing in it is an empty list; a directory that is missing or cannot be read is a failure.
      const DWORD e = ::GetLastError();
      return e == ERROR_FILE_NOT_FOUND || e == ERROR_NO_MORE_FILES ? 0 : CodeFromError(e);
    }
    std::string name;
    do {
      const DWORD skip = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
      if (!IsRegular(data.dwFileAttributes) || (data.dwFileAttributes & skip)) continue;
      if (!WideToCp932(data.cFileName, &name)) continue;
      bool matched = false;
      for (const std::string& mask : masks) matched = matched || WildcardMatch(mask, name);
      if (!matched) continue;
      const std::uint64_t size = (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
      out->push_back({name, DosStampFromFileTime(data.ftLastWriteTime), size});
    } while (::FindNextFileW(find, &data));
    const DWORD end = ::GetLastError();
    ::FindClose(find);
    // A search that stopped before the last entry lists only part of the directory.
    if (end != ERROR_NO_MORE_FILES) {
      out->clear();
      return CodeFromError(end) == kPlatformDenied ? kPlatformDenied : kPlatformFailed;
    }
    SortFoundFiles(out);
    return 0;
  }

  HandleTable handles_;
};

}  // namespace

Platform& NativePlatform() {
  static Win32Platform platform;
  return platform;
}

}  // namespace quarvel

#endif  // _WIN32
