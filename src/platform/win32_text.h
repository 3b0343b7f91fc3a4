// Text at the edge of the Win32 API: CP932 and UTF-8 to and from UTF-16, whatever the system's code
// page is, so that names are the same on a Japanese system and on any other.
#pragma once
#ifdef _WIN32

#include <string>

namespace quarvel {

// Both fail on bytes that are not CP932 (or UTF-8) and on characters without a form in the target.
bool Cp932ToWide(const std::string& in, std::wstring* out);
bool WideToCp932(const std::wstring& in, std::string* out);
bool Utf8ToWide(const std::string& in, std::wstring* out);
bool WideToUtf8(const std::wstring& in, std::string* out);

}  // namespace quarvel

#endif  // _WIN32
