// Little-endian fixed-width integers in byte buffers: the one codec of every format the program writes
// and reads (the diff, its seal, the import's journal), appended to a string or decoded from bytes
// known to be there.
#pragma once

#include <cstdint>
#include <string>

namespace quarvel {

void AppendU16(std::string& out, std::uint16_t v);
void AppendU32(std::string& out, std::uint32_t v);
void AppendU64(std::string& out, std::uint64_t v);

// The `n` bytes (at most 8) at `p` as one little-endian number.
std::uint64_t DecodeLittleEndian(const void* p, int n);
inline std::uint16_t DecodeU16(const void* p) { return static_cast<std::uint16_t>(DecodeLittleEndian(p, 2)); }
inline std::uint32_t DecodeU32(const void* p) { return static_cast<std::uint32_t>(DecodeLittleEndian(p, 4)); }
inline std::uint64_t DecodeU64(const void* p) { return DecodeLittleEndian(p, 8); }

}  // namespace quarvel
