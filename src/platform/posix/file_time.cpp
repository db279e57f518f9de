// Stand-in for the file-time calls. FILETIME counts 100 ns intervals since
// 1601-01-01; MS-DOS times are local, with 2-second resolution, years from 1980.
// Local time is UTC minus the bias a test chooses (Windows' sign convention).
#include <sys/stat.h>

#include <ctime>

#include "platform/posix/standin_internal.h"

using standin::internal::Files;
using standin::internal::HandleObject;
using standin::internal::MakeHandle;

namespace {

constexpr long long kTicksPerSecond = 10000000;
constexpr long long kSecondsFrom1601To1970 = 11644473600LL;

long long DaysFromCivil(int year, unsigned month, unsigned day) {
  year -= month <= 2;
  const long long era = (year >= 0 ? year : year - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(year - era * 400);
  const unsigned doy = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<long long>(doe) - 719468;
}

long long ToTicks(const FILETIME* time) {
  return static_cast<long long>((static_cast<unsigned long long>(time->dwHighDateTime) << 32) | time->dwLowDateTime);
}

void FromTicks(long long ticks, FILETIME* time) {
  time->dwLowDateTime = static_cast<DWORD>(ticks);
  time->dwHighDateTime = static_cast<DWORD>(static_cast<unsigned long long>(ticks) >> 32);
}

}  // namespace

BOOL DosDateTimeToFileTime(WORD dos_date, WORD dos_time, FILETIME* time) {
  int year = 1980 + (dos_date >> 9);
  unsigned month = (dos_date >> 5) & 15, day = dos_date & 31;
  unsigned hour = dos_time >> 11, minute = (dos_time >> 5) & 63, second = (dos_time & 31) * 2;
  if (month < 1 || month > 12 || day < 1 || day > 31 || hour > 23 || minute > 59 || second > 59) return FALSE;
  long long seconds = DaysFromCivil(year, month, day) * 86400 + hour * 3600 + minute * 60 + second;
  FromTicks((seconds + kSecondsFrom1601To1970) * kTicksPerSecond, time);
  return TRUE;
}

BOOL LocalFileTimeToFileTime(const FILETIME* local, FILETIME* utc) {
  FromTicks(ToTicks(local) + static_cast<long long>(Files().time_zone_bias) * 60 * kTicksPerSecond, utc);
  return TRUE;
}

BOOL SetFileTime(HANDLE file, const FILETIME* creation, const FILETIME* access, const FILETIME* write) {
  auto* object = static_cast<HandleObject*>(file);
  if (file == nullptr || file == INVALID_HANDLE_VALUE || object->kind != HandleObject::File) return FALSE;
  timespec times[2];
  times[0].tv_nsec = UTIME_OMIT;
  times[1].tv_nsec = UTIME_OMIT;
  times[0].tv_sec = times[1].tv_sec = 0;
  const FILETIME* sources[2] = {access, write};
  for (int i = 0; i < 2; ++i) {
    if (!sources[i]) continue;
    long long ticks = ToTicks(sources[i]) - kSecondsFrom1601To1970 * kTicksPerSecond;
    times[i].tv_sec = static_cast<time_t>(ticks / kTicksPerSecond);
    times[i].tv_nsec = static_cast<long>((ticks % kTicksPerSecond) * 100);
  }
  (void)creation;  // POSIX keeps no creation time
  return futimens(object->fd, times) == 0 ? TRUE : FALSE;
}
