// CP932 <-> UTF-8 through iconv, on hosts other than Windows.
#ifndef _WIN32

#include <iconv.h>

#include <string>

#include "platform/text.h"

namespace quarvel {

namespace {

// One conversion with a fresh iconv descriptor; fails on any byte without a form in `to`.
bool Convert(const char* to, const char* from, const std::string& in, std::string* out) {
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) return false;
  std::string result(in.size() * 4 + 4, '\0');
  char* src = const_cast<char*>(in.data());
  std::size_t src_left = in.size();
  char* dst = result.data();
  std::size_t dst_left = result.size();
  bool ok = true;
  while (src_left > 0) {
    if (iconv(cd, &src, &src_left, &dst, &dst_left) == static_cast<std::size_t>(-1)) {
      ok = false;
      break;
    }
  }
  if (ok && iconv(cd, nullptr, nullptr, &dst, &dst_left) == static_cast<std::size_t>(-1)) ok = false;
  iconv_close(cd);
  if (!ok) return false;
  result.resize(result.size() - dst_left);
  *out = std::move(result);
  return true;
}

bool IsAscii(const std::string& s) {
  for (unsigned char c : s) {
    if (c >= 0x80) return false;
  }
  return true;
}

}  // namespace

bool Cp932ToUtf8(const std::string& in, std::string* out) {
  if (IsAscii(in)) {
    *out = in;
    return true;
  }
  return Convert("UTF-8", "CP932", in, out);
}

bool Utf8ToCp932(const std::string& in, std::string* out) {
  if (IsAscii(in)) {
    *out = in;
    return true;
  }
  return Convert("CP932", "UTF-8", in, out);
}

}  // namespace quarvel

#endif  // _WIN32
