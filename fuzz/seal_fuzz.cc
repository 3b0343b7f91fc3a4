// The seal on any bytes: the trailer codec and the digest check must not crash or leak; a trailer that
// decodes encodes back to exactly its bytes; and a diff that passes the check and the digests holds,
// under every digest of its seal, the bytes that digest names.
#include "engine/diff/diff_check.h"
#include "engine/diff/diff_seal.h"
#include "engine/diff/seal_check.h"
#include "fuzz_input.h"

using namespace quarvel;

namespace {

bool Matches(const std::uint8_t* data, std::uint64_t start, std::uint64_t length, const Sha256Digest& want) {
  Sha256Digest got{};
  return DigestOf(data + start, static_cast<std::size_t>(length), &got) && got == want;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const int descriptors = fuzz::OpenDescriptors();
  // The input as a trailer alone, for the count it claims.
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  const std::size_t count = size >= 4 ? (data[0] | (data[1] << 8) | (data[2] << 16) | (std::size_t{data[3]} << 24)) : 0;
  DiffSeal seal;
  if (DecodeSeal(bytes, count, &seal) == SealFault::kNone && EncodeSeal(seal) != bytes) {
    fuzz::Finding("a trailer that does not encode back to its bytes");
  }

  // The input as a diff.
  const std::string path = fuzz::PutInput(data, size, "input.kmd");
  SBNdtAry changes;
  std::string description;
  std::vector<DiffBlock> blocks;
  SealState state;
  DiffCheck check = CheckDiffFile(path, &changes, &description, &blocks, &state);
  if (check.ok() && state.sealed) {
    std::vector<int> damaged;
    check = SealVerifier(path, blocks, state).Finish(&damaged);
    if (check.ok() != damaged.empty()) fuzz::Finding("the verifier's verdict disagrees with its damaged entries");
    if (check.ok()) {
      if (state.seal.blocks.size() != blocks.size() || state.seal.bases.size() != blocks.size()) {
        fuzz::Finding("a passed seal does not have one digest and one base per block");
      }
      if (!Matches(data, 0, state.headLength, state.seal.head)) fuzz::Finding("a passed seal's head digest is wrong");
      std::uint64_t end = state.headLength;
      for (std::size_t i = 0; i < blocks.size(); ++i) {
        if (!Matches(data, blocks[i].start, 4 + std::uint64_t{blocks[i].length}, state.seal.blocks[i])) {
          fuzz::Finding("a passed seal's block digest is wrong");
        }
        end = blocks[i].start + 4 + blocks[i].length;
      }
      if (EncodeSeal(state.seal) != bytes.substr(static_cast<std::size_t>(end))) {
        fuzz::Finding("the bytes after a passed diff's last block are not its seal");
      }
    }
  }
  if (fuzz::OpenDescriptors() != descriptors) fuzz::Finding("a descriptor was left open");
  return 0;
}
