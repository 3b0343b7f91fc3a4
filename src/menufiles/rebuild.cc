#include "menufiles/rebuild.h"

#include "fileio/fileio.h"
#include "menufiles/headers.h"
#include "menufiles/libindex.h"

namespace quarvel {

namespace {

void WriteTitleField(int fd, const std::string& title) {
  char field[kTitleField] = {};
  title.copy(field, kTitleField - 1);
  FileWrite(fd, field, kTitleField);
}

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
  WriteU16(fd, LIBRARY_FILE_MAGIC);
  WriteU16(fd, 1);
  WriteU32(fd, 0);
  WriteU32(fd, count);
  WriteU32(fd, indexLength);
  WriteTitleField(fd, title);
  for (const SSDocInfo& e : entries) {
    if (e.source < 0) continue;
    WriteU32(fd, e.length);
    WriteU32(fd, e.word);
    WriteLString(fd, e.name);
    WriteLString(fd, e.secondName);
  }
  if (FileErrorFlags != 0) return fail(false);

  for (const SSDocInfo& e : entries) {
    if (e.source < 0 || e.length == 0) continue;
    const int from = e.source == 0 ? oldFd : newFd;
    if (FileSeek(from, e.offset) < 0 || FileCopyBytes(from, fd, e.length) != 0) return fail(false);
  }
  if (FileFlush(fd) != 0) return fail(false);
  if (FileCloseWritten(fd) != 0 || FileErrorFlags != 0) return fail(true);
  return 0;
}

}  // namespace quarvel
