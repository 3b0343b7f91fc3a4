#include "engine/diff/diff_check.h"

#include "engine/diff/diff_format.h"
#include "engine/diff/diff_reader.h"
#include "fileio/fileio.h"
#include "fileio/work_names.h"
#include "platform/platform.h"
#include "platform/text.h"

namespace quarvel {

namespace {

bool IsReservedDeviceName(const std::string& name) {
  std::string stem = SjisAsciiUpper(name.substr(0, name.find('.')));
  while (!stem.empty() && stem.back() == ' ') stem.pop_back();
  for (const char* n : {"CON", "PRN", "AUX", "NUL"}) {
    if (stem == n) return true;
  }
  return stem.size() == 4 && (stem.compare(0, 3, "COM") == 0 || stem.compare(0, 3, "LPT") == 0) &&
         stem[3] >= '1' && stem[3] <= '9';
}

}  // namespace

bool IsSafeFileName(const std::string& name, bool windowsRules) {
  if (name.empty() || name == "." || name == "..") return false;
  for (std::size_t i = 0; i < name.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(name[i]);
    if (IsSjisLead(c) && i + 1 < name.size()) {
      ++i;
      continue;
    }
    if (c < 0x20 || c == 0x7F || c == '/' || c == '\\' || c == ':') return false;
  }
  // Windows drops a last "." or " " from a name, so that "A.TXT." would be "A.TXT" there, and
  // "QUARVEL.LCK." the lock: refused on every host, since a diff travels between them.
  if (name.back() == '.' || name.back() == ' ') return false;
  std::string host;
  if (!Cp932ToUtf8(name, &host)) return false;
  if (IsWorkFileName(name)) return false;
  return !(windowsRules && IsReservedDeviceName(name));
}

bool IsSafeFileName(const std::string& name) {
#ifdef _WIN32
  return IsSafeFileName(name, true);
#else
  return IsSafeFileName(name, false);
#endif
}

bool IsKnownKind(const SBNdt& entry) {
  return entry.type >= MenuFile && entry.type <= OtherFile && (entry.member.empty() || entry.type == DocumentLibrary);
}

int FirstUnsafeEntry(const SBNdtAry& changes) {
  for (std::size_t i = 0; i < changes.size(); ++i) {
    if (!IsSafeFileName(changes[i].name)) return static_cast<int>(i);
  }
  return -1;
}

DiffCheck CheckDiffBlocks(int fd, const SBNdtAry& changes, std::vector<DiffBlock>* blocks, SealState* seal) {
  blocks->clear();
  SealState found;
  if (seal != nullptr) *seal = found;
  if (FileErrorFlags & FERR_BADDATA) return {DiffFault::kDirectoryCut, -1};
  if (const int unsafe = FirstUnsafeEntry(changes); unsafe >= 0) return {DiffFault::kUnsafeName, unsafe};
  const std::int64_t size = Host().Size(fd);
  std::int64_t p = FileTell(fd);
  if (size < 0 || p < 0) return {DiffFault::kNotOpened, -1};
  found.headLength = static_cast<std::uint64_t>(p);
  // The header's count and directory size must be the directory's: a header that claims more than the
  // directory holds is damaged, whatever the blocks say.
  if (FileSeek(fd, 8) < 0) return {DiffFault::kNotOpened, -1};
  const auto flags = FileErrorFlags;
  FileErrorFlags = 0;
  const std::uint32_t count = ReadU32(fd);
  const std::uint32_t directorySize = ReadU32(fd);
  const bool unread = FileErrorFlags != 0;
  FileErrorFlags = flags;
  if (unread) return {DiffFault::kDirectoryCut, -1};
  if (count != changes.size() || std::int64_t{kDiffHeaderSize} + directorySize != p) {
    return {DiffFault::kHeaderMismatch, -1};
  }
  for (std::size_t i = 0; i < changes.size(); ++i) {
    const SBNdt& e = changes[i];
    const int index = static_cast<int>(i);
    if (p + 4 > size || FileSeek(fd, p) < 0) return {DiffFault::kBlockPastEnd, index};
    const std::uint32_t length = ReadU32(fd);
    if (length > kMaxDiffData) return {DiffFault::kBlockTooLong, index};
    if (p + 4 + std::int64_t{length} > size) return {DiffFault::kBlockPastEnd, index};
    // Only the three ops of the format: a damaged op must neither turn a replacement into a deletion
    // nor pass for the excluded mark, which never reaches a file.
    const std::int32_t op = e.op;
    if (op != kOpAddOrReplace && op != kOpDelete && op != kOpUnset) return {DiffFault::kUnknownOp, index};
    // Nor a damaged kind: it would turn a document's entry into its whole library's.
    if (!IsKnownKind(e)) return {DiffFault::kUnknownKind, index};
    const bool adds = op == kOpAddOrReplace;
    if (adds && IsDocumentLevel(e)) {
      // word, second name, data length, data
      ReadU32(fd);
      const int count = ReadLStringCount(fd);
      if (count < 0 || 4 + 2 + std::int64_t{count} + 4 > length) return {DiffFault::kDocumentBlockBad, index};
      FileSeek(fd, p + 4 + 4 + 2 + count);
      const std::uint32_t data = ReadU32(fd);
      if (4 + 2 + std::int64_t{count} + 4 + data != length) return {DiffFault::kDocumentBlockBad, index};
    } else if (adds && length < 8) {
      return {DiffFault::kFileBlockShort, index};
    } else if (!adds && length != 0) {
      return {DiffFault::kDeletionWithData, index};
    }
    if (FileErrorFlags & FERR_BADDATA) return {DiffFault::kBlockPastEnd, index};
    blocks->push_back({static_cast<std::uint64_t>(p), length});
    p += 4 + std::int64_t{length};
  }
  if (p != size) {
    // A trailer is bounded, so a file with more after its blocks is refused unread.
    const std::int64_t rest = size - p;
    if (rest > static_cast<std::int64_t>(MaxSealBodySize() + kSealFooterSize)) return {DiffFault::kTrailingBytes, -1};
    std::string bytes(static_cast<std::size_t>(rest), '\0');
    if (FileSeek(fd, p) < 0 || FileRead(fd, bytes.data(), bytes.size()) != rest) return {DiffFault::kNotOpened, -1};
    switch (DecodeSeal(bytes, changes.size(), &found.seal)) {
      case SealFault::kNotSeal: return {DiffFault::kTrailingBytes, -1};
      case SealFault::kMismatch: return {DiffFault::kSealMismatch, -1};
      case SealFault::kNone: break;
    }
    // A base of the other level (a file's on a document's entry, or a document's on a file's).
    for (std::size_t i = 0; i < changes.size(); ++i) {
      const BaseKind kind = found.seal.bases[i].kind;
      if (kind == (IsDocumentLevel(changes[i]) ? BaseKind::kFile : BaseKind::kDocument)) {
        return {DiffFault::kSealMismatch, static_cast<int>(i)};
      }
    }
    found.sealed = true;
  }
  if (seal != nullptr) *seal = found;
  return {};
}

DiffCheck CheckDiffFile(const std::string& path, SBNdtAry* changes, std::string* description,
                        std::vector<DiffBlock>* blocks, SealState* seal) {
  if (seal != nullptr) *seal = {};
  const int fd = OpenDiffFile(path, *changes, *description);
  if (fd == kFileWrongMagic) return {DiffFault::kNotDiff, -1};
  if (fd < 0) return {DiffFault::kNotOpened, -1};
  std::vector<DiffBlock> own;
  const DiffCheck check = CheckDiffBlocks(fd, *changes, blocks != nullptr ? blocks : &own, seal);
  FileClose(fd);
  return check;
}

}  // namespace quarvel
