#include "engine/import/base_check.h"

#include "engine/diff/entry_base.h"
#include "fileio/fileio.h"
#include "fileio/range_digests.h"
#include "menufiles/library_lookup.h"
#include "platform/platform.h"

namespace quarvel {

namespace {

// Whether the target's file holds exactly the bytes of the entry's block: its size is the block's
// data length and the bytes agree.
bool FileAsBlock(const std::string& path, int diff, const DiffBlock& block) {
  const std::uint64_t size = block.FileBytes();
  const int fd = FileOpenRead(path);
  if (fd < 0) return false;
  const bool same = Host().Size(fd) == static_cast<std::int64_t>(size) && FileSeek(diff, block.FileBytesStart()) >= 0 &&
                    FilesEqual(diff, fd, static_cast<std::uint32_t>(size)) && FileErrorFlags == 0;
  FileClose(fd);
  return same;
}

bool SameItem(const EntryBase& a, const EntryBase& b) {
  if (a.kind != b.kind) return false;
  if (a.kind == BaseKind::kFile) return a.size == b.size && a.digest == b.digest;
  if (a.kind == BaseKind::kDocument) return a.digest == b.digest;
  return a.kind == BaseKind::kAbsent;
}

// What stands under a file entry's name, with its digest taken only where its size is the base's
// (another size differs anyway). True when it is the base.
bool SameFile(const std::string& path, const EntryBase& base, EntryBase* found) {
  *found = {};
  std::uint32_t attrs = 0;
  const int r = Host().GetAttributes(path, &attrs);
  if (r == kPlatformNotFound) {
    found->kind = BaseKind::kAbsent;
    return base.kind == BaseKind::kAbsent;
  }
  // A link or a directory is never read through: it is no file the base could be.
  if (r != 0 || (attrs & (kAttrLink | kAttrDirectory)) != 0) return false;
  const int fd = FileOpenRead(path);
  if (fd < 0) return false;
  const std::int64_t size = Host().Size(fd);
  std::uint32_t stamp = 0;
  bool same = false;
  if (size >= 0 && Host().GetStampFd(fd, &stamp) == 0) {
    found->kind = BaseKind::kFile;
    found->size = static_cast<std::uint64_t>(size);
    found->stamp = stamp;
    found->readOnly = (attrs & kAttrReadOnly) != 0;
    same = base.kind == BaseKind::kFile && found->size == base.size &&
           DigestRange(fd, 0, found->size, &found->digest) && found->digest == base.digest;
  }
  FileClose(fd);
  return same;
}

}  // namespace

void CheckBases(const std::string& menuDir, int diff, const SBNdtAry& directory, const std::vector<DiffBlock>& blocks,
                const SealState& seal, BaseCheck* out) {
  *out = {};
  if (!seal.sealed) return;
  LibraryLookup libraries;
  for (std::size_t i = 0; i < directory.size() && i < seal.seal.bases.size() && i < blocks.size(); ++i) {
    const SBNdt& e = directory[i];
    const EntryBase& base = seal.seal.bases[i];
    if (IsExcluded(e) || base.kind == BaseKind::kNone) continue;
    EntryBase found;
    bool same = false;
    bool libraryMissing = false;
    if (IsDocumentLevel(e)) {
      if (ReadEntryBase(menuDir, e, libraries, &found) != 0) found = {};
      // A document's base includes its library: one deleted since the diff was made is a local change,
      // which an added document must not quietly bring back holding that document alone.
      std::uint32_t attrs = 0;
      libraryMissing = found.kind == BaseKind::kAbsent && Host().GetAttributes(menuDir + e.name, &attrs) == kPlatformNotFound;
      same = SameItem(base, found) && !libraryMissing;
    } else {
      same = SameFile(menuDir + e.name, base, &found);
    }
    if (same) continue;
    const bool adds = e.op == kOpAddOrReplace;
    bool applied = false;
    if (!adds) {
      applied = found.kind == BaseKind::kAbsent;
    } else if (IsDocumentLevel(e)) {
      // A document's digest is that of its block without the length field.
      applied = found.kind == BaseKind::kDocument && RangeHasDigest(diff, blocks[i].DataStart(), blocks[i].length, found.digest);
    } else if (found.kind == BaseKind::kFile && found.size + 8 == blocks[i].length) {
      applied = FileAsBlock(menuDir + e.name, diff, blocks[i]);
    }
    if (applied) {
      out->applied.push_back(static_cast<int>(i));
    } else {
      out->conflicts.push_back({static_cast<int>(i), base, found, libraryMissing});
    }
  }
}

}  // namespace quarvel
