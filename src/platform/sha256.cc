#include "platform/sha256.h"

namespace quarvel {

bool DigestOf(const void* data, std::size_t n, Sha256Digest* digest) {
  Sha256 sha;
  sha.Update(data, n);
  return sha.Finish(digest);
}

std::string DigestHex(const Sha256Digest& digest) {
  static const char kHex[] = "0123456789abcdef";
  std::string out;
  out.reserve(64);
  for (const std::uint8_t b : digest) {
    out += kHex[b >> 4];
    out += kHex[b & 15];
  }
  return out;
}

}  // namespace quarvel
