// Private-profile (INI) text: sections of key=value lines.
#pragma once

#include <string>

namespace quarvel {

// Finds `key` in `section` of the profile text. Section and key names ignore ASCII case and the blanks
// around them; the first match wins; a value in matching quotes loses them; lines starting with ";" are
// comments. Returns false when the key is not there.
bool ParseProfileValue(const std::string& text, const std::string& section, const std::string& key,
                       std::string* value);

}  // namespace quarvel
