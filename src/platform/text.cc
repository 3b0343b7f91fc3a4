#include "platform/text.h"

#include <cerrno>
#include <cstdio>

namespace quarvel {

bool EndsWithSingleByte(const std::string& s, char c) {
  bool last_single = false;
  char last = 0;
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (IsSjisLead(static_cast<unsigned char>(s[i])) && i + 1 < s.size()) {
      last_single = false;
      ++i;
    } else {
      last_single = true;
      last = s[i];
    }
  }
  return last_single && last == c;
}

namespace {

// The length of the longest prefix of `s` of at most `max` bytes that ends on a character boundary.
std::size_t WholeLength(const std::string& s, std::size_t max) {
  std::size_t end = 0;
  while (end < max) {
    const std::size_t step = IsSjisLead(static_cast<unsigned char>(s[end])) ? 2 : 1;
    if (end + step > max) break;
    end += step;
  }
  return end;
}

}  // namespace

std::string SjisCut(const std::string& s, std::size_t max) {
  if (s.size() <= max) return s;
  return s.substr(0, WholeLength(s, max));
}

std::string SjisWholeCharacters(const std::string& s) { return s.substr(0, WholeLength(s, s.size())); }

std::string AsciiUpper(const std::string& s) {
  std::string out = s;
  for (char& c : out) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return out;
}

std::string SjisAsciiUpper(const std::string& s) {
  std::string out = s;
  for (std::size_t i = 0; i < out.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(out[i]);
    if (IsSjisLead(c)) {
      ++i;
    } else if (c >= 'a' && c <= 'z') {
      out[i] = static_cast<char>(c - 'a' + 'A');
    }
  }
  return out;
}

int CompareSjisAsciiUpper(const std::string& a, const std::string& b) {
  // Each side keeps its own double-byte state: a trail byte is never upper-cased.
  bool trail_a = false, trail_b = false;
  const std::size_t n = a.size() < b.size() ? a.size() : b.size();
  // A common prefix of single bytes below 0x80 upper-cases alike on both sides and holds no lead byte.
  std::size_t i = 0;
  while (i < n && a[i] == b[i] && static_cast<unsigned char>(a[i]) < 0x80) ++i;
  for (; i < n; ++i) {
    unsigned char ca = static_cast<unsigned char>(a[i]), cb = static_cast<unsigned char>(b[i]);
    if (trail_a) {
      trail_a = false;
    } else if (IsSjisLead(ca)) {
      trail_a = true;
    } else if (ca >= 'a' && ca <= 'z') {
      ca = static_cast<unsigned char>(ca - 'a' + 'A');
    }
    if (trail_b) {
      trail_b = false;
    } else if (IsSjisLead(cb)) {
      trail_b = true;
    } else if (cb >= 'a' && cb <= 'z') {
      cb = static_cast<unsigned char>(cb - 'a' + 'A');
    }
    if (ca != cb) return ca < cb ? -1 : 1;
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

std::string Cp932ToUtf8Lossy(const std::string& in) {
  std::string out;
  if (Cp932ToUtf8(in, &out)) return out;
  out.clear();
  for (unsigned char c : in) {
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02X", c);
      out += hex;
    }
  }
  return out;
}

}  // namespace quarvel
