#include "fileio/fileio.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include "fileio/coding.h"
#include "fileio/copy_progress.h"
#include "platform/platform.h"
#include "platform/text.h"

namespace quarvel {

std::uint32_t FileErrorFlags = 0;


int FileOpenRead(const std::string& path) {
  FileErrorFlags = 0;
  const int fd = Host().Open(path, OpenMode::kRead);
  if (fd < 0) {
    FileErrorFlags |= FERR_NOTFOUND;
    return -1;
  }
  return fd;
}

int FileOpenChecked(const std::string& path, std::uint16_t magic) {
  const int fd = FileOpenRead(path);
  if (fd < 0) return -1;
  const std::uint16_t got = ReadU16(fd);
  const auto version = static_cast<std::int16_t>(ReadU16(fd));
  if (got != magic || version > 1) {
    FileClose(fd);
    return kFileWrongMagic;
  }
  return fd;
}

long FileRead(int fd, void* buffer, std::size_t n) {
  const long r = Host().Read(fd, buffer, n);
  if (r != static_cast<long>(n)) FileErrorFlags |= FERR_BADDATA;
  return r;
}

int FileClose(int fd) { return Host().Close(fd); }

namespace {

int OpenForWriting(const std::string& path, OpenMode mode) {
  FileErrorFlags = 0;
  const int fd = Host().Open(path, mode);
  if (fd < 0) {
    FileErrorFlags |= FERR_NOWRITE;
    return -1;
  }
  return fd;
}

}  // namespace

int FileCreate(const std::string& path) { return OpenForWriting(path, OpenMode::kReadWriteCreate); }

int FileCreateNew(const std::string& path) { return OpenForWriting(path, OpenMode::kCreateNew); }

long FileWrite(int fd, const void* buffer, std::size_t n) {
  const long w = Host().Write(fd, buffer, n);
  if (w != static_cast<long>(n)) FileErrorFlags |= FERR_DISKFULL;
  return w;
}

int FileCloseWritten(int fd) {
  const int r = Host().Close(fd);
  if (r != 0) FileErrorFlags |= FERR_DISKFULL;
  return r;
}

int FileMakeEmpty(const std::string& path) {
  const int fd = FileCreateNew(path);
  if (fd < 0) return -1;
  return FileCloseWritten(fd) == 0 ? 0 : -1;
}

int FileRemove(const std::string& path) { return Host().Remove(path); }

std::int64_t FileSeek(int fd, std::int64_t offset) {
  const std::int64_t r = Host().Seek(fd, offset);
  if (r != offset) {
    FileErrorFlags |= FERR_BADDATA;
    return -1;
  }
  return r;
}

std::int64_t FileTell(int fd) { return Host().Tell(fd); }

int FileFlush(int fd) {
  if (Host().Flush(fd) != 0) {
    FileErrorFlags |= FERR_DISKFULL;
    return -1;
  }
  return 0;
}

int CheckDirectory(const std::string& dir) {
  if (dir.empty()) return kPlatformNotFound;
  std::string bare = dir;
  if (bare.size() > 1 && EndsWithSingleByte(bare, kDirSep)) bare.pop_back();
  std::uint32_t attrs = 0;
  // Through the separator, a link to a directory resolves to the directory.
  if (Host().GetAttributes(bare + kDirSep, &attrs) == 0 && (attrs & kAttrDirectory)) return 0;
  if (bare == std::string(1, kDirSep)) return 0;
  // Only a last component is matched without regard to case, so a directory found that way is not
  // the one the path names.
  const int r = Host().GetAttributes(bare, &attrs);
  return r == kPlatformNotFound || (r == 0 && (attrs & kAttrDirectory)) ? kPlatformNotFound : kPlatformFailed;
}

std::string& PathJoin(std::string& dest, const std::string& dir, const std::string& name) {
  dest = dir + name;
  return dest;
}

std::string& StrUpperSjis(std::string& text) {
  text = SjisAsciiUpper(text);
  return text;
}

namespace {

// The output side of a copy. Write-back goes by the output's absolute position: whenever it passes a
// multiple of kWriteBackStep, the step-aligned windows behind it are handed to the host. So a file
// written by many short copies (a library rebuilt document by document) is written behind as one
// long copy would be.
struct CopyTarget {
  int fd;
  std::int64_t position;  // of the output, or -1 when it could not be told

  explicit CopyTarget(int to) : fd(to), position(Host().Tell(to)) {}
  void Wrote(std::uint64_t bytes) {
    if (position < 0) return;
    constexpr std::int64_t step = kWriteBackStep;
    const std::int64_t from = position / step * step;
    position += static_cast<std::int64_t>(bytes);
    const std::int64_t to = position / step * step;
    if (to > from) Host().StartWriteBack(fd, from, to - from);
  }

  // The next chunk, of at most `limit` (≤ kBulkChunk) bytes, ends where the output's position is a
  // multiple of kBulkChunk: the page cache holds a file in large aligned pieces, and a copy that keeps
  // to them fills each at once instead of two in part (measured on a library, whose documents start
  // after its header: the copy took a third less time).
  std::uint32_t Chunk(std::uint32_t limit) const {
    if (position < 0) return limit;
    const auto to_boundary = static_cast<std::uint32_t>(kBulkChunk - position % kBulkChunk);
    return to_boundary < limit ? to_boundary : limit;
  }
};

// One chunk of a copy of at most `want` bytes: inside the host while it can, else read and write
// through `buffer` (made on first use). Returns the bytes read, with the word set as a read and a write
// of them would set it.
long CopyChunk(int from, CopyTarget& to, std::uint32_t want, bool* kernel, std::unique_ptr<char[]>& buffer,
               std::uint32_t buffer_size) {
  if (*kernel) {
    const long got = Host().CopyBytes(from, to.fd, want);
    if (got != kPlatformUnsupported) {
      // Short or failed: a read that came up short. The host's copy does not say which side failed; a
      // read of the source tells: where it fails too, the source could not be read, else the write failed.
      if (got != static_cast<long>(want)) FileErrorFlags |= FERR_BADDATA;
      char probe = 0;
      if (got < 0 && Host().Read(from, &probe, 1) == 1) FileErrorFlags |= FERR_DISKFULL;
      if (got > 0) to.Wrote(static_cast<std::uint64_t>(got));
      return got;
    }
    *kernel = false;
  }
  if (!buffer) buffer.reset(new char[buffer_size]);
  const long got = FileRead(from, buffer.get(), want);
  if (got > 0) {
    FileWrite(to.fd, buffer.get(), static_cast<std::size_t>(got));
    to.Wrote(static_cast<std::uint64_t>(got));
  }
  return got;
}

}  // namespace

int FileCopyBytes(int from, int to, std::uint32_t n) {
  CopyTarget target(to);
  bool kernel = true;
  std::unique_ptr<char[]> buffer;
  if (n > 0) {
    const std::uint32_t buffer_size = n < kBulkChunk ? n : kBulkChunk;
    std::uint32_t remaining = n;
    while (remaining > 0) {
      const std::uint32_t c = target.Chunk(remaining < kBulkChunk ? remaining : kBulkChunk);
      CopyChunk(from, target, c, &kernel, buffer, buffer_size);
      if (FileErrorFlags != 0) return -1;
      ReportCopyProgress(c);
      if (CopyStopRequested()) return -1;
      remaining -= c;
    }
    return 0;
  }
  // To the end: a failed read ends the copy as the end would, which the host's copy cannot tell apart
  // from a failed write; so this mode reads and writes.
  kernel = false;
  for (;;) {
    const long got = CopyChunk(from, target, target.Chunk(kBulkChunk), &kernel, buffer, kBulkChunk);
    FileErrorFlags &= ~FERR_BADDATA;
    if (got <= 0) return 0;
    if (FileErrorFlags & FERR_DISKFULL) return kFileCopyNoWrite;
    ReportCopyProgress(static_cast<std::uint64_t>(got));
    if (CopyStopRequested()) return -1;
  }
}

bool FilesEqual(int fd_a, int fd_b, std::uint32_t n) {
  if (CopyStopRequested()) return false;  // the work is being stopped: its result is thrown away
  if (n == 0) return true;
  const std::uint32_t size = n < kBulkChunk ? n : kBulkChunk;
  std::unique_ptr<char[]> a(new char[size]);
  std::unique_ptr<char[]> b(new char[size]);
  std::uint32_t remaining = n;
  while (remaining > 0) {
    const std::uint32_t c = remaining < size ? remaining : size;
    FileRead(fd_a, a.get(), c);
    FileRead(fd_b, b.get(), c);
    if (FileErrorFlags != 0) return false;
    if (std::memcmp(a.get(), b.get(), c) != 0) return false;
    ReportCopyProgress(c);
    if (CopyStopRequested()) return false;
    remaining -= c;
  }
  return true;
}

namespace {

// Progress of one piece as FilesEqual reports it: a chunk (of the piece's own chunking, from its start)
// once all of it is found equal.
std::uint64_t ReportedFor(std::uint64_t verified, std::uint32_t length) {
  if (verified >= length) return length;
  const std::uint64_t chunk = length < kBulkChunk ? length : kBulkChunk;
  return verified / chunk * chunk;
}

}  // namespace

void FilePiecesEqual(int fd_a, int fd_b, const std::vector<std::uint32_t>& lengths, std::vector<bool>* equal) {
  equal->assign(lengths.size(), true);
  std::uint64_t total = 0;
  for (std::uint32_t n : lengths) total += n;
  if (total == 0) return;
  const std::size_t size = total < kCompareChunk ? static_cast<std::size_t>(total) : kCompareChunk;
  std::unique_ptr<char[]> a(new char[size]);
  std::unique_ptr<char[]> b(new char[size]);
  std::size_t k = 0;             // the first piece not yet compared to its end
  std::uint64_t piece_start = 0;  // where piece k starts, from the first byte compared
  std::uint64_t reported = 0;     // of piece k
  for (std::uint64_t pos = 0; pos < total;) {
    const std::size_t c = total - pos < size ? static_cast<std::size_t>(total - pos) : size;
    FileRead(fd_a, a.get(), c);
    FileRead(fd_b, b.get(), c);
    // A stopped work throws its result away: the rest counts as different, at once.
    if (FileErrorFlags != 0 || CopyStopRequested()) {
      for (; k < lengths.size(); ++k) (*equal)[k] = lengths[k] == 0;
      return;
    }
    const std::uint64_t end = pos + c;
    const bool chunk_equal = std::memcmp(a.get(), b.get(), c) == 0;
    for (; k < lengths.size() && piece_start <= end; ++k) {
      const std::uint64_t piece_end = piece_start + lengths[k];
      const std::uint64_t from = piece_start > pos ? piece_start : pos;
      const std::uint64_t to = piece_end < end ? piece_end : end;
      const bool was_equal = (*equal)[k];
      std::uint64_t verified = to - piece_start;  // the bytes of the piece known equal
      if (was_equal && !chunk_equal && to > from) {
        const char* pa = a.get() + (from - pos);
        const char* pb = b.get() + (from - pos);
        const std::size_t n = static_cast<std::size_t>(to - from);
        if (std::memcmp(pa, pb, n) != 0) {
          (*equal)[k] = false;
          verified = from - piece_start + static_cast<std::uint64_t>(std::mismatch(pa, pa + n, pb).first - pa);
        }
      }
      if (was_equal) {
        const std::uint64_t due = ReportedFor(verified, lengths[k]);
        if (due > reported) ReportCopyProgress(due - reported);
        reported = due;
      }
      if (piece_end > end) break;  // goes on in the next chunk
      piece_start = piece_end;
      reported = 0;
    }
    pos = end;
  }
}

int ReadLStringCount(int fd) {
  unsigned char raw[2];
  if (FileRead(fd, raw, 2) != 2) return -1;
  const auto count = static_cast<std::int16_t>(raw[0] | (raw[1] << 8));
  if (count < 0) {
    FileErrorFlags |= FERR_BADDATA;
    return -1;
  }
  return count;
}

void ReadLString(int fd, std::string& s) {
  s.clear();
  const int count = ReadLStringCount(fd);
  if (count <= 0) return;
  std::string buffer(static_cast<std::size_t>(count), '\0');
  const long got = FileRead(fd, buffer.data(), buffer.size());
  buffer.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
  s.assign(buffer.c_str());
}

void WriteLString(int fd, const std::string& s) {
  std::string raw;
  AppendLString(raw, s);
  FileWrite(fd, raw.data(), raw.size());
}

std::size_t LStringSize(const std::string& s) { return s.size() + 3; }

std::uint16_t ReadU16(int fd) {
  unsigned char raw[2] = {0, 0};
  FileRead(fd, raw, 2);
  return DecodeU16(raw);
}

std::uint32_t ReadU32(int fd) {
  unsigned char raw[4] = {0, 0, 0, 0};
  FileRead(fd, raw, 4);
  return DecodeU32(raw);
}

void WriteU16(int fd, std::uint16_t v) {
  std::string raw;
  AppendU16(raw, v);
  FileWrite(fd, raw.data(), raw.size());
}

void WriteU32(int fd, std::uint32_t v) {
  std::string raw;
  AppendU32(raw, v);
  FileWrite(fd, raw.data(), raw.size());
}

void AppendLString(std::string& out, const std::string& s) {
  AppendU16(out, static_cast<std::uint16_t>(s.size() + 1));
  out.append(s.c_str(), s.size() + 1);
}

}  // namespace quarvel
