#include "engine/diff_check.h"

#include "engine/diff_reader.h"
#include "engine/fileio.h"
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

// The shapes of the names that an import makes for itself: "XXXXXX.TMP", and SBN0 / SBN1 8.3 names.
bool IsWorkFileName(const std::string& name) {
  const std::string upper = SjisAsciiUpper(name);
  if (upper == "XXXXXX.TMP") return true;
  return upper.size() == 10 && upper[6] == '.' && (upper.compare(0, 4, "SBN0") == 0 || upper.compare(0, 4, "SBN1") == 0);
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

DiffCheck CheckDiffBlocks(int fd, const SBNdtAry& changes, bool strict, std::vector<DiffBlock>* blocks) {
  blocks->clear();
  if (FileErrorFlags & FERR_BADDATA) return {DiffFault::kDirectoryCut, -1};
  for (std::size_t i = 0; i < changes.size(); ++i) {
    if (!IsSafeFileName(changes[i].name)) return {DiffFault::kUnsafeName, static_cast<int>(i)};
  }
  const std::int64_t size = Host().Size(fd);
  std::int64_t p = FileTell(fd);
  if (size < 0 || p < 0) return {DiffFault::kNotOpened, -1};
  for (std::size_t i = 0; i < changes.size(); ++i) {
    const SBNdt& e = changes[i];
    const int index = static_cast<int>(i);
    if (p + 4 > size || FileSeek(fd, p) < 0) return {DiffFault::kBlockPastEnd, index};
    const std::uint32_t length = ReadU32(fd);
    if (p + 4 + std::int64_t{length} > size) return {DiffFault::kBlockPastEnd, index};
    const bool adds = (e.op & ~kOpExcluded) == kOpAddOrReplace;
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
    } else if (!adds && strict && length != 0) {
      return {DiffFault::kDeletionWithData, index};
    }
    if (FileErrorFlags & FERR_BADDATA) return {DiffFault::kBlockPastEnd, index};
    blocks->push_back({static_cast<std::uint32_t>(p), length});
    p += 4 + std::int64_t{length};
  }
  if (p != size) return {DiffFault::kTrailingBytes, -1};
  return {};
}

DiffCheck CheckDiffFile(const std::string& path, bool strict, SBNdtAry* changes, std::string* description) {
  const int fd = OpenDiffFile(path, *changes, *description);
  if (fd == -4) return {DiffFault::kNotDiff, -1};
  if (fd < 0) return {DiffFault::kNotOpened, -1};
  std::vector<DiffBlock> blocks;
  const DiffCheck check = CheckDiffBlocks(fd, *changes, strict, &blocks);
  FileClose(fd);
  return check;
}

}  // namespace quarvel
