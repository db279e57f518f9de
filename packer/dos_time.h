// MS-DOS date and time as ZIP entries carry them: 2-second resolution, years
// 1980 to 2107, no time zone (the installer takes them as local time).
#pragma once

#include <cstdint>
#include <ctime>
#include <string>

namespace packer {

struct DosTime {
  std::uint16_t time = 0;  // hour << 11 | minute << 5 | second / 2
  std::uint16_t date = 0;  // (year - 1980) << 9 | month << 5 | day
};

// `seconds` since 1970 as a DOS time, broken down in local time (`utc` false)
// or in UTC. Odd seconds round down; times before 1980 become 1980-01-01
// 00:00:00 and times after 2107 become 2107-12-31 23:59:58.
DosTime ToDosTime(std::int64_t seconds, bool utc);
// The DOS time read as local time, in seconds since 1970; -1 for an impossible
// date or time.
std::int64_t FromDosTime(DosTime dos);
// "YYYY-MM-DD hh:mm:ss" (fields as stored, even when out of range).
std::string FormatDosTime(DosTime dos);

}  // namespace packer
