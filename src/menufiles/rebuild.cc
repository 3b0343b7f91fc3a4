#include "menufiles/rebuild.h"

#include <cstdint>

#include "fileio/coding.h"
#include "fileio/fileio.h"
#include "menufiles/headers.h"
#include "menufiles/libindex.h"

namespace quarvel {

namespace {

// The header and the index, gathered for one write.
std::string HeaderAndIndex(const std::string& title, const SSDocInfoAry& entries, std::uint32_t count,
                           std::uint32_t indexLength) {
  std::string out;
  out.reserve(kHeaderSize + indexLength);
  AppendU16(out, LIBRARY_FILE_MAGIC);
  AppendU16(out, 1);
  AppendU32(out, 0);
  AppendU32(out, count);
  AppendU32(out, indexLength);
  std::string field = title.substr(0, kTitleField - 1);
  field.resize(kTitleField, '\0');
  out += field;
  for (const SSDocInfo& e : entries) {
    if (e.source < 0) continue;
    AppendU32(out, e.length);
    AppendU32(out, e.word);
    AppendLString(out, e.name);
    AppendLString(out, e.secondName);
  }
  return out;
}

// A stretch of the output taken from one place of one input: documents that lie back to back there
// are copied as one.
struct Run {
  int from = -1;
  std::uint64_t offset = 0;
  std::uint32_t length = 0;
};

}  // namespace

int RebuildLibrary(const std::string& outputPath, int oldFd, int newFd, const std::string& title,
                   const SSDocInfoAry& entries) {
  std::uint32_t count = 0, indexLength = 0;
  for (const SSDocInfo& e : entries) {
    if (e.source < 0) continue;
    ++count;
    indexLength += IndexRecordSize(e);
  }
  if (count == 0) return 0;

  const int fd = FileCreate(outputPath);
  if (fd < 0) return -1;
  auto fail = [&](bool closed) {
    if (!closed) FileCloseWritten(fd);
    FileRemove(outputPath);
    return -1;
  };
  const std::string head = HeaderAndIndex(title, entries, count, indexLength);
  FileWrite(fd, head.data(), head.size());
  if (FileErrorFlags != 0) return fail(false);

  Run run;
  auto copy = [&] {
    return run.length == 0 || (FileSeek(run.from, static_cast<std::int64_t>(run.offset)) >= 0 &&
                               FileCopyBytes(run.from, fd, run.length) == 0);
  };
  for (const SSDocInfo& e : entries) {
    if (e.source < 0 || e.length == 0) continue;
    const int from = e.source == 0 ? oldFd : newFd;
    const bool follows = run.length > 0 && from == run.from && e.offset == run.offset + run.length;
    if (follows && e.length <= UINT32_MAX - run.length) {
      run.length += e.length;
      continue;
    }
    if (!copy()) return fail(false);
    run = {from, e.offset, e.length};
  }
  if (!copy()) return fail(false);
  if (FileFlush(fd) != 0) return fail(false);
  if (FileCloseWritten(fd) != 0 || FileErrorFlags != 0) return fail(true);
  return 0;
}

}  // namespace quarvel
