#include "engine/diff/entry_base.h"

#include "fileio/coding.h"
#include "fileio/fileio.h"
#include "fileio/range_digests.h"
#include "platform/platform.h"

namespace quarvel {

namespace {

// A file of zero bytes: what an import leaves of a library whose every document it deleted.
bool IsEmptyFile(const std::string& path) {
  const int fd = FileOpenRead(path);
  if (fd < 0) return false;
  const bool empty = Host().Size(fd) == 0;
  FileClose(fd);
  return empty;
}

}  // namespace

bool DocumentDigest(int lib, const SSDocInfo& doc, Sha256Digest* digest) {
  std::string head;
  AppendU32(head, doc.word);
  AppendLString(head, doc.secondName);
  AppendU32(head, doc.length);
  return DigestRange(lib, doc.offset, doc.length, digest, head);
}

int ReadEntryBase(const std::string& dir, const SBNdt& entry, LibraryLookup& libraries, EntryBase* base) {
  *base = {};
  const std::string path = dir + entry.name;
  std::uint32_t attrs = 0;
  const int r = Host().GetAttributes(path, &attrs);
  if (r == kPlatformNotFound) {
    base->kind = BaseKind::kAbsent;
    return 0;
  }
  if (r != 0 || (attrs & (kAttrLink | kAttrDirectory)) != 0) return -1;
  if (IsDocumentLevel(entry)) {
    SSDocInfo doc;
    std::string title;
    const int lib = libraries.Find(path, entry.member, &doc, &title);
    if (lib < 0) {
      if (!libraries.LibraryRead() && !IsEmptyFile(path)) return -1;
      base->kind = BaseKind::kAbsent;
      return 0;
    }
    if (!DocumentDigest(lib, doc, &base->digest)) return -1;
    base->kind = BaseKind::kDocument;
    return 0;
  }
  const int fd = FileOpenRead(path);
  if (fd < 0) return -1;
  const std::int64_t size = Host().Size(fd);
  const bool ok = size >= 0 && Host().GetStampFd(fd, &base->stamp) == 0 &&
                  DigestRange(fd, 0, static_cast<std::uint64_t>(size), &base->digest);
  FileClose(fd);
  if (!ok) return -1;
  base->kind = BaseKind::kFile;
  base->size = static_cast<std::uint64_t>(size);
  base->readOnly = (attrs & kAttrReadOnly) != 0;
  return 0;
}

}  // namespace quarvel
