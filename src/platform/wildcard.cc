#include "platform/wildcard.h"

#include <vector>

#include "platform/text.h"

namespace quarvel {

namespace {

// Splits CP932 text into characters (one or two bytes each).
std::vector<std::string> Characters(const std::string& s) {
  std::vector<std::string> chars;
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (IsSjisLead(static_cast<unsigned char>(s[i])) && i + 1 < s.size()) {
      chars.push_back(s.substr(i, 2));
      ++i;
    } else {
      chars.push_back(s.substr(i, 1));
    }
  }
  return chars;
}

}  // namespace

bool WildcardMatch(const std::string& pattern, const std::string& name) {
  if (pattern.empty()) return false;
  if (pattern == "*.*") return true;
  const std::vector<std::string> p = Characters(SjisAsciiUpper(pattern));
  const std::vector<std::string> n = Characters(SjisAsciiUpper(name));
  // Greedy match with one backtrack point per star: linear enough for file names.
  std::size_t pi = 0, ni = 0, star = std::string::npos, resume = 0;
  while (ni < n.size()) {
    if (pi < p.size() && (p[pi] == "?" || p[pi] == n[ni])) {
      ++pi;
      ++ni;
    } else if (pi < p.size() && p[pi] == "*") {
      star = pi++;
      resume = ni;
    } else if (star != std::string::npos) {
      pi = star + 1;
      ni = ++resume;
    } else {
      return false;
    }
  }
  while (pi < p.size() && p[pi] == "*") ++pi;
  return pi == p.size();
}

}  // namespace quarvel
