#include "engine/diff/diff_seal.h"

#include <cstring>

#include "engine/diff/diff_format.h"
#include "fileio/coding.h"
#include "fileio/fileio.h"

namespace quarvel {

namespace {

constexpr std::size_t kFileBaseSize = 1 + 8 + 4 + 1 + 32;

void AppendDigest(std::string& out, const Sha256Digest& d) { out.append(reinterpret_cast<const char*>(d.data()), d.size()); }

// Reads the little-endian fields of a trailer, refusing to run past its end.
class SealReader {
 public:
  // Reads bytes[begin, end).
  SealReader(const std::string& bytes, std::size_t begin, std::size_t end) : bytes_(bytes), end_(end), pos_(begin) {}
  bool Take(void* out, std::size_t n) {
    if (end_ - pos_ < n) return false;
    std::memcpy(out, bytes_.data() + pos_, n);
    pos_ += n;
    return true;
  }
  bool U8(std::uint8_t* v) { return Take(v, 1); }
  bool U16(std::uint16_t* v) {
    unsigned char b[2];
    if (!Take(b, 2)) return false;
    *v = DecodeU16(b);
    return true;
  }
  bool U32(std::uint32_t* v) {
    unsigned char b[4];
    if (!Take(b, 4)) return false;
    *v = DecodeU32(b);
    return true;
  }
  bool U64(std::uint64_t* v) {
    unsigned char b[8];
    if (!Take(b, 8)) return false;
    *v = DecodeU64(b);
    return true;
  }
  bool Digest(Sha256Digest* d) { return Take(d->data(), d->size()); }
  bool AtEnd() const { return pos_ == end_; }

 private:
  const std::string& bytes_;
  std::size_t end_;
  std::size_t pos_;
};

}  // namespace

std::size_t MaxSealBodySize() { return 4 + 32 + std::size_t{kMaxDiffEntries} * (32 + kFileBaseSize); }

std::string EncodeSeal(const DiffSeal& seal) {
  std::string out;
  AppendU32(out, static_cast<std::uint32_t>(seal.blocks.size()));
  AppendDigest(out, seal.head);
  for (const Sha256Digest& d : seal.blocks) AppendDigest(out, d);
  for (const EntryBase& b : seal.bases) {
    out += static_cast<char>(b.kind);
    if (b.kind == BaseKind::kFile) {
      AppendU64(out, b.size);
      AppendU32(out, b.stamp);
      out += static_cast<char>(b.readOnly ? 1 : 0);
    }
    if (b.kind == BaseKind::kFile || b.kind == BaseKind::kDocument) AppendDigest(out, b.digest);
  }
  const auto body = static_cast<std::uint32_t>(out.size());
  Sha256Digest digest{};
  DigestOf(out.data(), out.size(), &digest);
  AppendDigest(out, digest);
  AppendU32(out, body);
  AppendU16(out, kSealVersion);
  AppendU16(out, 0);
  out.append(kSealMagic, sizeof kSealMagic);
  return out;
}

SealFault DecodeSeal(const std::string& bytes, std::size_t entries, DiffSeal* seal) {
  *seal = {};
  if (bytes.size() < kSealFooterSize) return SealFault::kNotSeal;
  const std::size_t bodySize = bytes.size() - kSealFooterSize;
  if (bodySize > MaxSealBodySize()) return SealFault::kNotSeal;
  SealReader footer(bytes, bodySize, bytes.size());
  Sha256Digest stated{};
  std::uint32_t length = 0;
  std::uint16_t version = 0, zero = 0;
  char magic[sizeof kSealMagic];
  if (!footer.Digest(&stated) || !footer.U32(&length) ||
      !footer.U16(&version) || !footer.U16(&zero) || !footer.Take(magic, sizeof magic)) {
    return SealFault::kNotSeal;
  }
  if (std::memcmp(magic, kSealMagic, sizeof magic) != 0 || version != kSealVersion || zero != 0 ||
      length != bodySize) {
    return SealFault::kNotSeal;
  }
  Sha256Digest actual{};
  if (!DigestOf(bytes.data(), bodySize, &actual) || actual != stated) return SealFault::kNotSeal;

  SealReader body(bytes, 0, bodySize);
  std::uint32_t count = 0;
  if (!body.U32(&count) || !body.Digest(&seal->head)) return SealFault::kNotSeal;
  if (count > static_cast<std::uint32_t>(kMaxDiffEntries) || bodySize < 36 + std::size_t{count} * 33) {
    return SealFault::kNotSeal;
  }
  seal->blocks.resize(count);
  for (Sha256Digest& d : seal->blocks) {
    if (!body.Digest(&d)) return SealFault::kNotSeal;
  }
  seal->bases.resize(count);
  for (EntryBase& b : seal->bases) {
    std::uint8_t kind = 0;
    if (!body.U8(&kind) || kind > static_cast<std::uint8_t>(BaseKind::kDocument)) return SealFault::kNotSeal;
    b.kind = static_cast<BaseKind>(kind);
    if (b.kind == BaseKind::kFile) {
      std::uint8_t readOnly = 0;
      if (!body.U64(&b.size) || !body.U32(&b.stamp) || !body.U8(&readOnly) || readOnly > 1) return SealFault::kNotSeal;
      b.readOnly = readOnly != 0;
    }
    if ((b.kind == BaseKind::kFile || b.kind == BaseKind::kDocument) && !body.Digest(&b.digest)) {
      return SealFault::kNotSeal;
    }
  }
  if (!body.AtEnd()) return SealFault::kNotSeal;
  if (count != entries) {
    *seal = {};
    return SealFault::kMismatch;
  }
  return SealFault::kNone;
}

}  // namespace quarvel
