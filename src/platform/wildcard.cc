#include "platform/wildcard.h"

#include "platform/text.h"

namespace quarvel {

namespace {

// Length of the character at `i`: two bytes for a lead byte with a byte after it, else one.
std::size_t CharLength(const std::string& s, std::size_t i) {
  return IsSjisLead(static_cast<unsigned char>(s[i])) && i + 1 < s.size() ? 2 : 1;
}

char UpperByte(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

// Whether the characters at p[pi] and n[ni] are equal, single-byte letters compared upper-cased and
// double-byte characters byte for byte (their trail bytes are never case-changed).
bool SameChar(const std::string& p, std::size_t pi, std::size_t plen, const std::string& n, std::size_t ni,
              std::size_t nlen) {
  if (plen != nlen) return false;
  if (plen == 1) return UpperByte(p[pi]) == UpperByte(n[ni]);
  return p[pi] == n[ni] && p[pi + 1] == n[ni + 1];
}

}  // namespace

bool WildcardMatch(const std::string& pattern, const std::string& name) {
  if (pattern.empty()) return false;
  if (pattern == "*.*") return true;
  // Greedy match with one backtrack point per star, over characters, allocating nothing.
  std::size_t pi = 0, ni = 0, star = std::string::npos, resume = 0;
  while (ni < name.size()) {
    const std::size_t nlen = CharLength(name, ni);
    const std::size_t plen = pi < pattern.size() ? CharLength(pattern, pi) : 0;
    const bool single = plen == 1;
    if (pi < pattern.size() && ((single && pattern[pi] == '?') || SameChar(pattern, pi, plen, name, ni, nlen))) {
      pi += plen;
      ni += nlen;
    } else if (single && pattern[pi] == '*') {
      star = pi++;
      resume = ni;
    } else if (star != std::string::npos) {
      pi = star + 1;
      resume += CharLength(name, resume);
      ni = resume;
    } else {
      return false;
    }
  }
  while (pi < pattern.size() && pattern[pi] == '*') ++pi;
  return pi == pattern.size();
}

}  // namespace quarvel
