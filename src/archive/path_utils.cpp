// Path and file utilities over NUL-terminated byte strings in the ANSI code page.
#include "archive/path_utils.h"

#include "platform/memory.h"
#include "platform/win32.h"

namespace archive {

using startup::g_Setup;

u16 PCharLength(const char* buffer) {
  u16 n = 0;
  while (buffer[n] != '\0' && n < 0xFFFF) ++n;
  return n;
}

void SeekPackage(i32 position, u16 method) {
  DWORD result = SetFilePointer(g_Setup.PackageFile, position, nullptr, method);
  g_Setup.FilePos = result == INVALID_SET_FILE_POINTER ? -1 : static_cast<i32>(result);
}

bool AppendBackslash(char* buffer, u32 capacity) {
  u16 n = PCharLength(buffer);
  if (n > 0 && buffer[n - 1] == '\\') return true;
  if (static_cast<u32>(n) + 2 > capacity) return false;
  buffer[n] = '\\';
  buffer[n + 1] = '\0';
  return true;
}

char* StripBackslash(char* buffer) {
  u16 n = PCharLength(buffer);
  if (n > 0 && buffer[n - 1] == '\\') buffer[n - 1] = '\0';
  return buffer;
}

char* SlashesToBackslashes(char* buffer) {
  for (char* p = buffer; *p != '\0'; ++p)
    if (*p == '/') *p = '\\';
  return buffer;
}

i32 BufferToString(const u8* buffer, u32 length, char* out, u32 capacity) {
  u32 n = 0;
  while (n < length && buffer[n] != 0) ++n;
  if (n + 1 > capacity) {
    if (capacity > 0) out[0] = '\0';
    return -1;
  }
  platform::CopyBytes(out, buffer, n);
  out[n] = '\0';
  return static_cast<i32>(n);
}

namespace {

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

void CopyPrefix(const char* path, u32 count, char* out, u32 capacity) {
  if (capacity == 0) return;
  if (count > capacity - 1) count = capacity - 1;
  platform::CopyBytes(out, path, count);
  out[count] = '\0';
}

}  // namespace

void PathDirectory(const char* path, char* out, u32 capacity) {
  u32 n = PCharLength(path);
  bool has_colon = false;
  u32 last = 0;  // position of the last separator, counted from 1; 0 = none
  for (u32 i = 0; i < n; ++i) {
    if (path[i] == ':') has_colon = true;
    if (IsSeparator(path[i]) || path[i] == ':') last = i + 1;
  }
  if (n == 3 && has_colon) return CopyPrefix(path, n, out, capacity);  // a drive root keeps its '\'
  if (last > 0 && IsSeparator(path[last - 1]) && !(last == 3 && path[1] == ':')) --last;
  CopyPrefix(path, last, out, capacity);
}

void PathFileName(const char* path, char* out, u32 capacity) {
  u32 n = PCharLength(path);
  u32 start = 0;
  for (u32 i = 0; i < n; ++i)
    if (IsSeparator(path[i]) || path[i] == ':') start = i + 1;
  u32 count = n - start;
  if (count > 255) count = 255;
  CopyPrefix(path + start, count, out, capacity);
}

bool PathExists(char* path) {
  WIN32_FIND_DATAA found;
  HANDLE search;
  u16 n = PCharLength(path);
  if (n == 0) return false;
  if (path[n - 1] == '\\') {
    char pattern[kFindPatternSize];
    if (static_cast<u32>(n) + 4 > kFindPatternSize) return false;  // "*.*" and NUL must fit
    platform::CopyBytes(pattern, path, n);
    platform::CopyBytes(pattern + n, "*.*", 4);
    search = FindFirstFileA(SlashesToBackslashes(pattern), &found);
  } else {
    search = FindFirstFileA(SlashesToBackslashes(path), &found);
  }
  if (search == INVALID_HANDLE_VALUE) return false;
  FindClose(search);
  return true;
}

void MakeDirectories(const char* path, startup::PathList* created) {
  char copy[startup::kPathSize];
  u16 n = PCharLength(path);
  if (n + 1u > sizeof copy) return;
  platform::CopyBytes(copy, path, n + 1u);
  if (n > 0 && copy[n - 1] == '\\') copy[--n] = '\0';
  if (n < 3 || PathExists(copy)) return;
  char parent[startup::kPathSize];
  PathDirectory(copy, parent, sizeof parent);
  if (PCharLength(parent) < n) MakeDirectories(parent, created);  // always shorter: no endless descent
  if (CreateDirectoryA(copy, nullptr) && created) AppendPath(created, copy);
}

bool AppendPath(startup::PathList* list, const char* path) {
  if (list->Count == list->Capacity) {
    u32 capacity = list->Capacity ? list->Capacity * 2 : 64;
    auto** items = static_cast<char**>(platform::Alloc(capacity * sizeof(char*)));
    if (!items) return false;
    if (list->Items) {
      platform::CopyBytes(items, list->Items, list->Count * sizeof(char*));
      platform::Free(list->Items);
    }
    list->Items = items;
    list->Capacity = capacity;
  }
  u16 n = PCharLength(path);
  auto* copy = static_cast<char*>(platform::Alloc(n + 1u));
  if (!copy) return false;
  platform::CopyBytes(copy, path, n + 1u);
  list->Items[list->Count++] = copy;
  return true;
}

void ReleasePaths(startup::PathList* list) {
  for (u32 i = 0; i < list->Count; ++i) platform::Free(list->Items[i]);
  platform::Free(list->Items);
  list->Items = nullptr;
  list->Count = 0;
  list->Capacity = 0;
}

}  // namespace archive
