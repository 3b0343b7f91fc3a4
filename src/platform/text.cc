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

std::string SjisCut(const std::string& s, std::size_t max) {
  if (s.size() <= max) return s;
  std::size_t end = 0;
  while (end < max) {
    const std::size_t step = IsSjisLead(static_cast<unsigned char>(s[end])) ? 2 : 1;
    if (end + step > max) break;
    end += step;
  }
  return s.substr(0, end);
}

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
