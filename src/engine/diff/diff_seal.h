// The seal: an optional trailer after a diff's last data block. It proves the diff's bytes (a digest of
// the header and directory and one of every data block) and, for a diff made by an analysis, records
// what the old side held under each entry's name, so that an import can tell a local change from the
// state the diff was made against. A reader of the base format never looks past the last block, so a
// sealed diff is still a diff to it.
//
// Layout, little-endian, after the last block:
//   body    u32 N, the directory's entry count
//           the digest of every byte before the first block (header and directory)
//           N digests, one per data block, its length field included
//           N base records, each a kind byte and then:
//             0 none       (the writer knew no old side)
//             1 absent     (no file under the name; no such document in the library)
//             2 file       u64 size, u32 DOS stamp, u8 read-only (0 or 1), the digest of its bytes
//             3 document   the digest of the document as its block carries it (DocumentDigest)
//   footer  the digest of the body, u32 the body's length, u16 version 1, u16 0, "QVSEAL\r\n"
// Digests are SHA-256, 32 bytes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/sha256.h"

namespace quarvel {

constexpr char kSealMagic[8] = {'Q', 'V', 'S', 'E', 'A', 'L', '\r', '\n'};
constexpr std::uint16_t kSealVersion = 1;
constexpr std::size_t kSealFooterSize = 32 + 4 + 2 + 2 + 8;

enum class BaseKind : std::uint8_t { kNone = 0, kAbsent = 1, kFile = 2, kDocument = 3 };

// What the old side held under an entry's name.
struct EntryBase {
  BaseKind kind = BaseKind::kNone;
  std::uint64_t size = 0;    // kFile
  std::uint32_t stamp = 0;   // kFile
  bool readOnly = false;     // kFile
  Sha256Digest digest{};     // kFile, kDocument
};

struct DiffSeal {
  Sha256Digest head{};                // header and directory
  std::vector<Sha256Digest> blocks;   // one per entry
  std::vector<EntryBase> bases;       // one per entry
};

// The largest body that N = kMaxDiffEntries entries, every one with a file base, make.
std::size_t MaxSealBodySize();

// The trailer's bytes: body and footer.
std::string EncodeSeal(const DiffSeal& seal);

enum class SealFault {
  kNone,
  kNotSeal,   // the bytes are not one whole, intact trailer
  kMismatch,  // an intact trailer whose entry count is not the directory's
};

// Reads a trailer from `bytes`, everything after the last block. Strict: the footer's magic,
// version and zero field, the body's length (exactly the bytes before the footer) and digest, known
// base kinds with their exact sizes and a read-only byte of 0 or 1, nothing left over.
SealFault DecodeSeal(const std::string& bytes, std::size_t entries, DiffSeal* seal);

}  // namespace quarvel
