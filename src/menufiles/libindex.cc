#include "menufiles/libindex.h"

#include <algorithm>

#include "fileio/block_reader.h"
#include "fileio/fileio.h"
#include "menufiles/headers.h"
#include "platform/platform.h"

namespace quarvel {

namespace {

// Reads one index record into `doc` (length, word into storedWord, name, secondName).
// False at the first short read or negative string count.
bool ReadIndexRecord(BlockReader& in, SSDocInfo* doc) {
  doc->length = in.ReadU32();
  doc->storedWord = in.ReadU32();
  in.ReadLString(doc->name);
  in.ReadLString(doc->secondName);
  return (FileErrorFlags & FERR_BADDATA) == 0;
}

// The fewest bytes an index record takes: two counts, two empty strings.
constexpr std::uint32_t kMinIndexRecord = 8 + 3 + 3;

// Opens the library and walks its whole index, read in blocks, handing each record with its data
// offset to `visit` until it returns false. Before the first, `begin` is told how many records the
// index can hold (the header's count, bounded by the index's length). Returns the descriptor,
// positioned just after the last record, or -1 with the file closed when the index is cut short or a
// document's data does not lie inside the file (a length past the end would otherwise give readers
// bytes that are not the document's).
template <typename Begin, typename Visit>
int WalkIndex(const SSDlib& holder, std::string* title, const std::string& path, Begin begin, Visit visit) {
  std::uint32_t count = 0, indexLength = 0;
  std::int32_t number = 0;
  const int fd = OpenDocLib(holder, &count, &indexLength, &number, title, path);
  if (fd < 0) return -1;
  const std::int64_t size = Host().Size(fd);
  std::uint64_t offset = kHeaderSize + std::uint64_t{indexLength};
  bool visiting = true;
  bool ok = FileErrorFlags == 0 && size >= 0 && offset <= static_cast<std::uint64_t>(size);
  if (ok) begin(std::min(count, indexLength / kMinIndexRecord));
  BlockReader in(fd);
  for (std::uint32_t i = 0; ok && i < count; ++i) {
    SSDocInfo doc;
    doc.offset = offset;
    ok = ReadIndexRecord(in, &doc) && doc.offset + doc.length <= static_cast<std::uint64_t>(size);
    offset = doc.offset + doc.length;
    if (ok && visiting) visiting = visit(doc);
  }
  if (!ok || in.Settle() != 0) {
    FileClose(fd);
    return -1;
  }
  return fd;
}

}  // namespace

std::uint32_t IndexRecordSize(const SSDocInfo& doc) {
  return static_cast<std::uint32_t>(8 + LStringSize(doc.name) + LStringSize(doc.secondName));
}

int ListLibDocuments(const SSDlib& holder, TDicAry& list) {
  list.clear();
  std::string title;
  const auto reserve = [&](std::uint32_t n) { list.reserve(n); };
  const int fd = WalkIndex(holder, &title, "", reserve, [&](const SSDocInfo& doc) {
    list.push_back({static_cast<std::int32_t>(doc.storedWord), doc.name, doc.secondName});
    return true;
  });
  if (fd < 0) {
    list.clear();
    return -1;
  }
  FileClose(fd);
  return 0;
}

int ReadLibIndex(const SSDlib& holder, SSDocInfoAry& entries, std::string* title, const std::string& path) {
  entries.clear();
  const auto reserve = [&](std::uint32_t n) { entries.reserve(n); };
  const int fd = WalkIndex(holder, title, path, reserve, [&](const SSDocInfo& doc) {
    entries.push_back(doc);
    entries.back().source = 0;
    entries.back().word = 0;
    return true;
  });
  if (fd < 0) entries.clear();
  return fd;
}

int FindLibDocument(const SSDlib& holder, SSDocInfo* entry, std::string* title, const std::string& path,
                    const std::string& name) {
  bool found = false;
  const int fd = WalkIndex(holder, title, path, [](std::uint32_t) {}, [&](const SSDocInfo& doc) {
    const std::int32_t source = entry->source;
    *entry = doc;
    entry->source = source;
    entry->word = doc.storedWord;
    found = doc.name == name;
    return !found;
  });
  if (fd < 0) return -1;
  if (!found) {
    FileClose(fd);
    return -1;
  }
  return fd;
}

}  // namespace quarvel
