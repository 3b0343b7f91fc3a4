// CP932 <-> UTF-8 on Windows, through UTF-16 with the system's own code page 932 table.
#ifdef _WIN32

#include <windows.h>

#include <string>

#include "platform/text.h"
#include "platform/win32_text.h"

namespace quarvel {

namespace {

bool ToWide(UINT codepage, const std::string& in, std::wstring* out) {
  out->clear();
  if (in.empty()) return true;
  const int n = ::MultiByteToWideChar(codepage, MB_ERR_INVALID_CHARS, in.data(), static_cast<int>(in.size()),
                                      nullptr, 0);
  if (n <= 0) return false;
  out->resize(static_cast<std::size_t>(n));
  return ::MultiByteToWideChar(codepage, MB_ERR_INVALID_CHARS, in.data(), static_cast<int>(in.size()),
                               out->data(), n) == n;
}

bool FromWide(UINT codepage, const std::wstring& in, std::string* out) {
  out->clear();
  if (in.empty()) return true;
  // Code page 932 reports a character without a form through `used_default`; UTF-8 rejects a lone
  // surrogate through WC_ERR_INVALID_CHARS (and accepts no `used_default`).
  const bool utf8 = codepage == CP_UTF8;
  const DWORD flags = utf8 ? WC_ERR_INVALID_CHARS : WC_NO_BEST_FIT_CHARS;
  BOOL used_default = FALSE;
  BOOL* used = utf8 ? nullptr : &used_default;
  const int n = ::WideCharToMultiByte(codepage, flags, in.data(), static_cast<int>(in.size()), nullptr, 0,
                                      nullptr, used);
  if (n <= 0 || used_default) return false;
  out->resize(static_cast<std::size_t>(n));
  return ::WideCharToMultiByte(codepage, flags, in.data(), static_cast<int>(in.size()), out->data(), n,
                               nullptr, used) == n &&
         !used_default;
}

bool IsAscii(const std::string& s) {
  for (unsigned char c : s) {
    if (c >= 0x80) return false;
  }
  return true;
}

}  // namespace

bool Cp932ToWide(const std::string& in, std::wstring* out) { return ToWide(932, in, out); }
bool WideToCp932(const std::wstring& in, std::string* out) { return FromWide(932, in, out); }
bool Utf8ToWide(const std::string& in, std::wstring* out) { return ToWide(CP_UTF8, in, out); }
bool WideToUtf8(const std::wstring& in, std::string* out) { return FromWide(CP_UTF8, in, out); }

bool Cp932ToUtf8(const std::string& in, std::string* out) {
  if (IsAscii(in)) {
    *out = in;
    return true;
  }
  std::wstring wide;
  return Cp932ToWide(in, &wide) && WideToUtf8(wide, out);
}

bool Utf8ToCp932(const std::string& in, std::string* out) {
  if (IsAscii(in)) {
    *out = in;
    return true;
  }
  std::wstring wide;
  return Utf8ToWide(in, &wide) && WideToCp932(wide, out);
}

}  // namespace quarvel

#endif  // _WIN32
