#include "engine/diff_format.h"

#include "fileio/fileio.h"

namespace quarvel {

void WriteDiffEntry(int fd, const SBNdt& entry) {
  WriteU32(fd, static_cast<std::uint32_t>(entry.op));
  WriteU32(fd, static_cast<std::uint32_t>(entry.type));
  WriteLString(fd, entry.name);
  WriteLString(fd, entry.title);
  WriteLString(fd, entry.member);
}

void ReadDiffEntry(int fd, SBNdt& entry) {
  entry.op = static_cast<std::int32_t>(ReadU32(fd));
  entry.type = static_cast<std::int32_t>(ReadU32(fd));
  ReadLString(fd, entry.name);
  ReadLString(fd, entry.title);
  ReadLString(fd, entry.member);
}

std::uint32_t DiffEntrySize(const SBNdt& entry) {
  return static_cast<std::uint32_t>(8 + LStringSize(entry.name) + LStringSize(entry.title) +
                                    LStringSize(entry.member));
}

void WriteDiffDirectory(int fd, const SBNdtAry& changes) {
  WriteU16(fd, static_cast<std::uint16_t>(changes.size()));
  for (const SBNdt& e : changes) WriteDiffEntry(fd, e);
}

void ReadDiffDirectory(int fd, SBNdtAry& changes) {
  changes.clear();
  const auto count = static_cast<std::int16_t>(ReadU16(fd));
  if (count < 0) {
    FileErrorFlags |= FERR_BADDATA;
    return;
  }
  for (int i = 0; i < count && (FileErrorFlags & FERR_BADDATA) == 0; ++i) {
    SBNdt entry;
    ReadDiffEntry(fd, entry);
    changes.push_back(entry);
  }
}

std::uint32_t DiffDirectorySize(const SBNdtAry& changes) {
  std::uint32_t size = 2;
  for (const SBNdt& e : changes) size += DiffEntrySize(e);
  return size;
}

}  // namespace quarvel
