// Stand-in for FindFirstFileA/FindClose: '*' and '?' in the last component, matched
// without regard to case; "*.*" lists everything, "." and ".." included (as Windows
// lists them in every directory but a drive root). A name without wildcards finds
// itself when it exists (exact case: the host file system decides); an empty last
// component (a trailing separator) finds nothing.
#include <dirent.h>
#include <sys/stat.h>

#include <cctype>
#include <cstring>

#include "platform/posix/standin_internal.h"

using standin::internal::HandleObject;
using standin::internal::MakeHandle;
using standin::internal::MapPath;

namespace {

bool Matches(const char* pattern, const char* name) {
  if (*pattern == '\0') return *name == '\0';
  if (*pattern == '*') return Matches(pattern + 1, name) || (*name != '\0' && Matches(pattern, name + 1));
  if (*name == '\0') return false;
  if (*pattern != '?' && std::tolower(static_cast<unsigned char>(*pattern)) != std::tolower(static_cast<unsigned char>(*name)))
    return false;
  return Matches(pattern + 1, name + 1);
}

WIN32_FIND_DATAA Describe(const std::string& host, const std::string& name) {
  WIN32_FIND_DATAA data{};
  struct stat info;
  if (stat(host.c_str(), &info) == 0) {
    data.dwFileAttributes = S_ISDIR(info.st_mode) ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_NORMAL;
    data.nFileSizeLow = static_cast<DWORD>(info.st_size);
    data.nFileSizeHigh = static_cast<DWORD>(static_cast<unsigned long long>(info.st_size) >> 32);
  }
  std::strncpy(data.cFileName, name.c_str(), MAX_PATH - 1);
  return data;
}

}  // namespace

HANDLE FindFirstFileA(LPCSTR pattern, WIN32_FIND_DATAA* found) {
  std::string windows = standin::internal::AbsoluteWindowsPath(pattern);
  std::size_t cut = windows.find_last_of("\\/");
  std::string last = windows.substr(cut + 1);
  std::string directory = windows.substr(0, cut + 1);
  std::string host_directory = MapPath(directory);
  if (last.empty() || host_directory.empty()) return INVALID_HANDLE_VALUE;

  std::vector<WIN32_FIND_DATAA> results;
  if (last.find_first_of("*?") == std::string::npos) {
    std::string host = MapPath(windows);
    struct stat info;
    if (stat(host.c_str(), &info) != 0) return INVALID_HANDLE_VALUE;
    results.push_back(Describe(host, last));
  } else {
    if (last == "*.*") last = "*";
    DIR* dir = opendir(host_directory.c_str());
    if (!dir) return INVALID_HANDLE_VALUE;
    bool drive_root = directory.size() <= 3;
    while (dirent* entry = readdir(dir)) {
      std::string name = entry->d_name;
      if (drive_root && (name == "." || name == "..")) continue;
      if (Matches(last.c_str(), name.c_str())) results.push_back(Describe(host_directory + "/" + name, name));
    }
    closedir(dir);
  }
  if (results.empty()) return INVALID_HANDLE_VALUE;
  *found = results.front();
  auto* object = MakeHandle(HandleObject::Search);
  object->found.assign(results.begin() + 1, results.end());
  return object;
}

BOOL FindClose(HANDLE search) {
  auto* object = static_cast<HandleObject*>(search);
  if (search == nullptr || search == INVALID_HANDLE_VALUE || object->kind != HandleObject::Search) return FALSE;
  delete object;
  return TRUE;
}
