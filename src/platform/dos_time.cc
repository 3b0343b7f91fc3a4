#include "platform/dos_time.h"

#include <cstdio>

namespace quarvel {

std::uint32_t DosStampFromTime(std::time_t t) {
  std::tm tm{};
#ifdef _WIN32
  const bool ok = localtime_s(&tm, &t) == 0;
#else
  const bool ok = localtime_r(&t, &tm) != nullptr;
#endif
  if (!ok || tm.tm_year < 80) return MakeDosStamp(1980, 1, 1, 0, 0, 0);
  if (tm.tm_year > 207) return MakeDosStamp(2107, 12, 31, 23, 59, 58);
  return MakeDosStamp(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec);
}

std::time_t TimeFromDosStamp(std::uint32_t stamp) {
  const std::uint16_t date = DosDateOf(stamp);
  const std::uint16_t time = DosTimeOf(stamp);
  std::tm tm{};
  tm.tm_year = ((date >> 9) & 0x7F) + 80;
  tm.tm_mon = ((date >> 5) & 0x0F) - 1;
  tm.tm_mday = date & 0x1F;
  tm.tm_hour = (time >> 11) & 0x1F;
  tm.tm_min = (time >> 5) & 0x3F;
  tm.tm_sec = (time & 0x1F) * 2;
  tm.tm_isdst = -1;
  if (tm.tm_mon < 0 || tm.tm_mon > 11 || tm.tm_mday < 1 || tm.tm_hour > 23 || tm.tm_min > 59 || tm.tm_sec > 59) {
    return -1;
  }
  return mktime(&tm);
}

std::string DosStampText(std::uint32_t stamp) {
  const unsigned date = DosDateOf(stamp), time = DosTimeOf(stamp);
  char text[32];
  std::snprintf(text, sizeof text, "%04u-%02u-%02u %02u:%02u:%02u", (date >> 9) + 1980, (date >> 5) & 15, date & 31,
                time >> 11, (time >> 5) & 63, (time & 31) * 2);
  return text;
}

}  // namespace quarvel
