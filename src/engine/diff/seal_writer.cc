#include "engine/diff/seal_writer.h"

#include "fileio/fileio.h"

namespace quarvel {

SealWriter::SealWriter(const std::string& work, int fd)
    : digests_(std::make_unique<RangeDigests>(work)), end_(FileTell(fd)) {
  if (end_ >= 0) digests_->Add(0, static_cast<std::uint64_t>(end_));
}

bool SealWriter::BlockWritten(int fd) {
  const std::int64_t end = FileTell(fd);
  if (end_ < 0 || end < end_) {
    end_ = -1;
    return false;
  }
  digests_->Add(static_cast<std::uint64_t>(end_), static_cast<std::uint64_t>(end - end_));
  end_ = end;
  return true;
}

bool SealWriter::Finish(int fd, std::vector<EntryBase> bases) {
  std::vector<Sha256Digest> got;
  const bool digested = end_ >= 0 && digests_->Finish(&got) && got.size() == bases.size() + 1;
  digests_.reset();
  if (!digested) return false;
  DiffSeal seal;
  seal.head = got[0];
  seal.blocks.assign(got.begin() + 1, got.end());
  seal.bases = std::move(bases);
  const std::string trailer = EncodeSeal(seal);
  FileWrite(fd, trailer.data(), trailer.size());
  return FileErrorFlags == 0;
}

void SealWriter::Abandon() { digests_.reset(); }

}  // namespace quarvel
