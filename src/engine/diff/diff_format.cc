#include "engine/diff/diff_format.h"

#include "fileio/block_reader.h"
#include "fileio/coding.h"
#include "fileio/fileio.h"

namespace quarvel {

void AppendDiffEntry(std::string& out, const SBNdt& entry) {
  AppendU32(out, static_cast<std::uint32_t>(entry.op));
  AppendU32(out, static_cast<std::uint32_t>(entry.type));
  AppendLString(out, entry.name);
  AppendLString(out, entry.title);
  AppendLString(out, entry.member);
}

void ReadDiffEntry(BlockReader& in, SBNdt& entry) {
  entry.op = static_cast<std::int32_t>(in.ReadU32());
  entry.type = static_cast<std::int32_t>(in.ReadU32());
  in.ReadLString(entry.name);
  in.ReadLString(entry.title);
  in.ReadLString(entry.member);
}

std::uint32_t DiffEntrySize(const SBNdt& entry) {
  return static_cast<std::uint32_t>(8 + LStringSize(entry.name) + LStringSize(entry.title) +
                                    LStringSize(entry.member));
}

void WriteDiffDirectory(int fd, const SBNdtAry& changes) {
  std::string out;
  out.reserve(DiffDirectorySize(changes));
  AppendU16(out, static_cast<std::uint16_t>(changes.size()));
  for (const SBNdt& e : changes) AppendDiffEntry(out, e);
  FileWrite(fd, out.data(), out.size());
}

void ReadDiffDirectory(int fd, SBNdtAry& changes) {
  changes.clear();
  BlockReader in(fd);
  unsigned char raw[2] = {0, 0};
  in.Read(raw, 2);
  const auto count = static_cast<std::int16_t>(raw[0] | (raw[1] << 8));
  if (count < 0) FileErrorFlags |= FERR_BADDATA;
  for (int i = 0; i < count && (FileErrorFlags & FERR_BADDATA) == 0; ++i) {
    SBNdt entry;
    ReadDiffEntry(in, entry);
    changes.push_back(entry);
  }
  in.Settle();
}

void WriteFileBlockHead(int fd, std::uint32_t size, bool readOnly, std::uint32_t stamp) {
  std::string head;
  AppendU32(head, size + 8);
  AppendU32(head, readOnly ? 1 : 0);
  AppendU32(head, stamp);
  FileWrite(fd, head.data(), head.size());
}

std::uint64_t DocumentBlockLength(const SSDocInfo& doc) {
  return LStringSize(doc.secondName) + std::uint64_t{doc.length} + 8;
}

void WriteDocumentBlockHead(int fd, const SSDocInfo& doc) {
  std::string head;
  AppendU32(head, static_cast<std::uint32_t>(DocumentBlockLength(doc)));
  AppendU32(head, doc.word);
  AppendLString(head, doc.secondName);
  AppendU32(head, doc.length);
  FileWrite(fd, head.data(), head.size());
}

std::uint32_t DiffDirectorySize(const SBNdtAry& changes) {
  std::uint32_t size = 2;
  for (const SBNdt& e : changes) size += DiffEntrySize(e);
  return size;
}

bool ReadDocumentBlockHead(int fd, std::uint64_t dataStart, DocumentBlockHead* head) {
  if (FileSeek(fd, static_cast<std::int64_t>(dataStart)) < 0) return false;
  FileErrorFlags = 0;
  head->word = ReadU32(fd);
  ReadLString(fd, head->secondName);
  head->length = ReadU32(fd);
  const std::int64_t data = FileTell(fd);
  if (data < 0 || FileErrorFlags != 0) return false;
  head->data = static_cast<std::uint64_t>(data);
  return true;
}

}  // namespace quarvel
