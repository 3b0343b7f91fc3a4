#include "engine/diff/seal_check.h"

namespace quarvel {

SealVerifier::SealVerifier(const std::string& path, const std::vector<DiffBlock>& blocks, const SealState& seal,
                           const std::vector<bool>& wanted)
    : digests_(path), seal_(seal) {
  digests_.Add(0, seal.headLength);
  for (std::size_t i = 0; i < blocks.size(); ++i) {
    if (!wanted.empty() && (i >= wanted.size() || !wanted[i])) continue;
    digests_.Add(blocks[i].start, 4 + std::uint64_t{blocks[i].length});
    entries_.push_back(static_cast<int>(i));
  }
}

DiffCheck SealVerifier::Finish(std::vector<int>* damaged) {
  if (damaged != nullptr) damaged->clear();
  std::vector<Sha256Digest> got;
  if (!digests_.Finish(&got) || got.size() != entries_.size() + 1) return {DiffFault::kNotOpened, -1};
  std::vector<int> bad;
  if (got[0] != seal_.seal.head) bad.push_back(-1);
  for (std::size_t k = 0; k < entries_.size(); ++k) {
    const auto i = static_cast<std::size_t>(entries_[k]);
    if (i >= seal_.seal.blocks.size() || got[k + 1] != seal_.seal.blocks[i]) bad.push_back(entries_[k]);
  }
  if (damaged != nullptr) *damaged = bad;
  if (bad.empty()) return {};
  return {DiffFault::kDigestMismatch, bad.front()};
}

}  // namespace quarvel
