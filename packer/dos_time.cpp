#include "packer/dos_time.h"

#include <cstdio>

namespace packer {

DosTime ToDosTime(std::int64_t seconds, bool utc) {
  std::time_t t = static_cast<std::time_t>(seconds);
  std::tm parts{};
  bool ok = utc ? gmtime_r(&t, &parts) != nullptr : localtime_r(&t, &parts) != nullptr;
  DosTime dos;
  if (!ok || parts.tm_year < 80) {
    dos.date = (0 << 9) | (1 << 5) | 1;
    return dos;
  }
  if (parts.tm_year > 207) {
    dos.date = static_cast<std::uint16_t>((127 << 9) | (12 << 5) | 31);
    dos.time = static_cast<std::uint16_t>((23 << 11) | (59 << 5) | 29);
    return dos;
  }
  dos.date = static_cast<std::uint16_t>(((parts.tm_year - 80) << 9) | ((parts.tm_mon + 1) << 5) | parts.tm_mday);
  int second = parts.tm_sec > 59 ? 59 : parts.tm_sec;  // a leap second
  dos.time = static_cast<std::uint16_t>((parts.tm_hour << 11) | (parts.tm_min << 5) | (second / 2));
  return dos;
}

std::int64_t FromDosTime(DosTime dos) {
  std::tm parts{};
  parts.tm_year = 80 + (dos.date >> 9);
  parts.tm_mon = ((dos.date >> 5) & 15) - 1;
  parts.tm_mday = dos.date & 31;
  parts.tm_hour = dos.time >> 11;
  parts.tm_min = (dos.time >> 5) & 63;
  parts.tm_sec = (dos.time & 31) * 2;
  if (parts.tm_mon < 0 || parts.tm_mon > 11 || parts.tm_mday < 1 || parts.tm_hour > 23 || parts.tm_min > 59 ||
      parts.tm_sec > 59)
    return -1;
  parts.tm_isdst = -1;
  return static_cast<std::int64_t>(std::mktime(&parts));
}

std::string FormatDosTime(DosTime dos) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02d %02d:%02d:%02d", 1980 + (dos.date >> 9),
                (dos.date >> 5) & 15, dos.date & 31, dos.time >> 11, (dos.time >> 5) & 63, (dos.time & 31) * 2);
  return buffer;
}

}  // namespace packer
