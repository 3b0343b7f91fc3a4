#include "platform/profile.h"

#include <sstream>

#include "platform/text.h"

namespace quarvel {

namespace {

std::string Trim(const std::string& s) {
  const char* blanks = " \t\r\n";
  const std::size_t first = s.find_first_not_of(blanks);
  if (first == std::string::npos) return "";
  return s.substr(first, s.find_last_not_of(blanks) - first + 1);
}

}  // namespace

bool ParseProfileValue(const std::string& text, const std::string& section, const std::string& key,
                       std::string* value) {
  const std::string want_section = SjisAsciiUpper(Trim(section));
  const std::string want_key = SjisAsciiUpper(Trim(key));
  std::istringstream in(text);
  std::string line;
  bool in_section = false;
  while (std::getline(in, line)) {
    const std::string t = Trim(line);
    if (t.empty() || t[0] == ';') continue;
    if (t[0] == '[') {
      const std::size_t close = t.find(']');
      in_section = close != std::string::npos && SjisAsciiUpper(Trim(t.substr(1, close - 1))) == want_section;
      continue;
    }
    if (!in_section) continue;
    const std::size_t eq = t.find('=');
    if (eq == std::string::npos || SjisAsciiUpper(Trim(t.substr(0, eq))) != want_key) continue;
    std::string v = Trim(t.substr(eq + 1));
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front()) {
      v = v.substr(1, v.size() - 2);
    }
    *value = v;
    return true;
  }
  return false;
}

}  // namespace quarvel
