// Inputs that several suites build alike: reproducible bytes, and a readable line per change entry.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "model/records.h"

namespace quarvel {

// `n` bytes of a fixed pseudo-random sequence chosen by `seed`: the same on every run and host.
inline std::string Bytes(std::size_t n, unsigned seed) {
  std::string s(n, '\0');
  std::uint32_t x = seed * 2654435761u + 1;
  for (char& c : s) {
    x = x * 1103515245u + 12345u;
    c = static_cast<char>(x >> 16);
  }
  return s;
}

// One line per entry: op, type, name, member and title, for readable comparisons.
inline std::vector<std::string> Lines(const SBNdtAry& changes) {
  std::vector<std::string> lines;
  for (const SBNdt& e : changes) {
    lines.push_back(std::to_string(e.op) + " " + std::to_string(e.type) + " " + e.name +
                    (e.member.empty() ? "" : "/" + e.member) + " [" + e.title + "]");
  }
  return lines;
}

}  // namespace quarvel
