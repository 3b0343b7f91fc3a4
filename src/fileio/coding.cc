#include "fileio/coding.h"

namespace quarvel {

void AppendU16(std::string& out, std::uint16_t v) {
  out.push_back(static_cast<char>(v & 0xFF));
  out.push_back(static_cast<char>(v >> 8));
}

void AppendU32(std::string& out, std::uint32_t v) {
  AppendU16(out, static_cast<std::uint16_t>(v));
  AppendU16(out, static_cast<std::uint16_t>(v >> 16));
}

void AppendU64(std::string& out, std::uint64_t v) {
  AppendU32(out, static_cast<std::uint32_t>(v));
  AppendU32(out, static_cast<std::uint32_t>(v >> 32));
}

std::uint64_t DecodeLittleEndian(const void* p, int n) {
  const auto* bytes = static_cast<const unsigned char*>(p);
  std::uint64_t v = 0;
  for (int i = 0; i < n; ++i) v |= std::uint64_t{bytes[i]} << (8 * i);
  return v;
}

}  // namespace quarvel
