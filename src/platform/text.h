// CP932 (Shift-JIS) text: the double-byte rule and conversion to and from UTF-8.
#pragma once

#include <string>

namespace quarvel {

// A lead byte starts a double-byte character; the byte after it belongs to the character.
inline bool IsSjisLead(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

// True when the last character of `s` is the single byte `c` (not the trail byte of a double-byte one).
bool EndsWithSingleByte(const std::string& s, char c);

// The longest prefix of `s` of at most `max` bytes that does not end inside a double-byte character.
std::string SjisCut(const std::string& s, std::size_t max);
// `s` without a last lead byte that has no trail byte after it (text cut inside a character).
std::string SjisWholeCharacters(const std::string& s);

// Every ASCII letter upper-cased, whatever stands around it: for host (UTF-8) text.
std::string AsciiUpper(const std::string& s);

// ASCII letters upper-cased; double-byte characters stepped over whole.
std::string SjisAsciiUpper(const std::string& s);
// SjisAsciiUpper(a).compare(SjisAsciiUpper(b)), signed as compare's result, without making either.
int CompareSjisAsciiUpper(const std::string& a, const std::string& b);

// Both return false (and leave `out` unspecified) for text without a form in the other encoding.
bool Cp932ToUtf8(const std::string& in, std::string* out);
bool Utf8ToCp932(const std::string& in, std::string* out);

// For messages and listings: the UTF-8 form, or the bytes with each non-ASCII byte as "\xNN".
std::string Cp932ToUtf8Lossy(const std::string& in);

}  // namespace quarvel
