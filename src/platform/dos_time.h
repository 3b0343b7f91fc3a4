// Conversion between host times and DOS date/time stamps (local time, two-second resolution).
#pragma once

#include <cstdint>
#include <ctime>
#include <string>

namespace quarvel {

// Time in the low 16 bits (seconds/2, minutes, hours), date in the high 16 (day, month, years since 1980).
// Times before 1980 give 1980-01-01 00:00:00; after 2107 the last stamp of 2107.
std::uint32_t DosStampFromTime(std::time_t t);
// The local time that a stamp names; -1 when its fields are out of range.
std::time_t TimeFromDosStamp(std::uint32_t stamp);

// "YYYY-MM-DD HH:MM:SS" as the stamp's fields read, whether or not they name a real date.
std::string DosStampText(std::uint32_t stamp);

constexpr std::uint16_t DosTimeOf(std::uint32_t stamp) { return static_cast<std::uint16_t>(stamp & 0xFFFF); }
constexpr std::uint16_t DosDateOf(std::uint32_t stamp) { return static_cast<std::uint16_t>(stamp >> 16); }
constexpr std::uint32_t MakeDosStamp(int year, int month, int day, int hour, int minute, int second) {
  return (static_cast<std::uint32_t>(((year - 1980) << 9) | (month << 5) | day) << 16) |
         static_cast<std::uint32_t>((hour << 11) | (minute << 5) | (second / 2));
}

}  // namespace quarvel
