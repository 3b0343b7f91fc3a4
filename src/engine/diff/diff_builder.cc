#include "engine/diff/diff_builder.h"

#include <utility>

#include "engine/diff/diff_format.h"
#include "fileio/fileio.h"
#include "fileio/work_names.h"
#include "platform/platform.h"
#include "platform/text.h"
#include "shell/paths.h"

namespace quarvel {

namespace {

// A failed copy is a failed read of the source or a failed write of the diff: the error word tells
// a write apart.
BlockFault CopyFault() {
  return (FileErrorFlags & FERR_DISKFULL) != 0 ? BlockFault::kWriteFailed : BlockFault::kReadFailed;
}

}  // namespace

int CreateDiffFile(const std::string& path, const SBNdtAry& changes, const std::string& description) {
  FileRemove(path);
  const int fd = FileCreateNew(path);
  if (fd < 0) return -1;
  WriteU16(fd, DIFF_FILE_MAGIC);
  WriteU16(fd, 1);
  WriteU32(fd, 0);
  WriteU32(fd, static_cast<std::uint32_t>(changes.size()));
  WriteU32(fd, DiffDirectorySize(changes));
  // Cut at a character: half a double-byte character would make the whole text unreadable.
  char field[kDescriptionField] = {};
  SjisCut(description, kDescriptionField - 1).copy(field, kDescriptionField - 1);
  FileWrite(fd, field, kDescriptionField);
  WriteDiffDirectory(fd, changes);
  if (FileErrorFlags != 0) {
    FileCloseWritten(fd);
    FileRemove(path);
    return -1;
  }
  return fd;
}

DiffBuilder::~DiffBuilder() {
  if (sealer_ != nullptr) sealer_->Abandon();
  if (fd_ >= 0) FileCloseWritten(fd_);
  if (!placed_ && !work_.empty()) FileRemove(work_);
}

bool DiffBuilder::Begin(const std::string& path, const SBNdtAry& entries, const std::string& description,
                        bool seal) {
  path_ = path;
  const std::string dir = DirectoryPart(path);
  const std::string name = MakeWorkName(dir, "KMDW");
  if (name.empty()) return false;
  fd_ = CreateDiffFile(dir + name, entries, description);
  if (fd_ < 0) return false;
  work_ = dir + name;
  if (seal) sealer_ = std::make_unique<SealWriter>(work_, fd_);
  return true;
}

BlockFault DiffBuilder::Added(BlockFault fault) {
  if (fault == BlockFault::kNone && sealer_ != nullptr && !sealer_->BlockWritten(fd_)) return BlockFault::kWriteFailed;
  return fault;
}

BlockFault DiffBuilder::AddEmpty() {
  if (FileErrorFlags != 0) return BlockFault::kWriteFailed;
  WriteU32(fd_, 0);
  return Added(FileErrorFlags == 0 ? BlockFault::kNone : BlockFault::kWriteFailed);
}

BlockFault DiffBuilder::AddFile(const std::string& source, const bool* readOnly) {
  // Opening a source clears the error word: a failed write of the block before is seen first.
  if (FileErrorFlags != 0) return BlockFault::kWriteFailed;
  std::uint32_t attrs = 0;
  if (readOnly == nullptr && Host().GetAttributes(source, &attrs) != 0) return BlockFault::kSourceMissing;
  const int fd = FileOpenRead(source);  // never through a link
  if (fd < 0) return BlockFault::kSourceMissing;
  std::uint32_t stamp = 0;
  const std::int64_t size = Host().Size(fd);
  BlockFault fault = Host().GetStampFd(fd, &stamp) == 0 && size >= 0 ? BlockFault::kNone : BlockFault::kSourceMissing;
  if (fault == BlockFault::kNone && size > static_cast<std::int64_t>(kMaxDiffData) - 8) fault = BlockFault::kTooLarge;
  if (fault == BlockFault::kNone) {
    const auto n = static_cast<std::uint32_t>(size);
    WriteFileBlockHead(fd_, n, readOnly != nullptr ? *readOnly : (attrs & kAttrReadOnly) != 0, stamp);
    if ((n > 0 && FileCopyBytes(fd, fd_, n) != 0) || FileErrorFlags != 0) fault = CopyFault();
  }
  FileClose(fd);
  return Added(fault);
}

BlockFault DiffBuilder::AddDocument(const std::string& library, const std::string& member) {
  if (FileErrorFlags != 0) return BlockFault::kWriteFailed;
  SSDocInfo doc;
  std::string title;
  const int lib = libraries_.Find(library, member, &doc, &title);
  if (lib < 0) return BlockFault::kSourceMissing;
  if (DocumentBlockLength(doc) > kMaxDiffData) return BlockFault::kTooLarge;
  WriteDocumentBlockHead(fd_, doc);  // the lookup gives the stored word as `word`
  if (doc.length > 0 && (FileSeek(lib, static_cast<std::int64_t>(doc.offset)) < 0 ||
                         FileCopyBytes(lib, fd_, doc.length) != 0)) {
    return CopyFault();
  }
  return Added(FileErrorFlags == 0 ? BlockFault::kNone : BlockFault::kWriteFailed);
}

bool DiffBuilder::Finish(std::vector<EntryBase> bases) {
  bool ok = FileErrorFlags == 0;
  if (sealer_ != nullptr) {
    ok = ok && sealer_->Finish(fd_, std::move(bases));
    // Its descriptor of the work file goes before the work file is renamed or removed.
    sealer_->Abandon();
    sealer_.reset();
  }
  ok = ok && FileErrorFlags == 0 && FileFlush(fd_) == 0;
  const int fd = fd_;
  fd_ = -1;
  return FileCloseWritten(fd) == 0 && ok;
}

bool DiffBuilder::PlaceOver() {
  placed_ = Host().ReplaceFileExact(work_, path_) == 0;
  return placed_;
}

bool DiffBuilder::PlaceNew(bool* taken) {
  *taken = false;
  if (Host().Rename(work_, path_) != 0) {
    std::uint32_t attrs = 0;
    *taken = Host().GetAttributes(path_, &attrs) != kPlatformNotFound;
    return false;
  }
  placed_ = true;
  if (Host().FlushDir(DirectoryPart(path_)) != 0) {
    FileRemove(path_);
    Host().FlushDir(DirectoryPart(path_));
    return false;
  }
  return true;
}

}  // namespace quarvel
