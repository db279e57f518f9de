// Shared state of the POSIX stand-in's areas (files, desktop, processes, security).
#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/posix/standin.h"

namespace standin::internal {

// Every HANDLE the stand-in gives out points at one of these.
struct HandleObject {
  enum Kind { File, Search, Process, Thread, Token, Pseudo } kind;
  int fd = -1;
  std::vector<WIN32_FIND_DATAA> found;  // Search: remaining results
  unsigned exit_code = 0;
};

inline HandleObject* MakeHandle(HandleObject::Kind kind) {
  auto* object = new HandleObject;
  object->kind = kind;
  return object;
}

struct FileState {
  std::map<char, std::string> drives;
  std::string current_directory = "C:\\";
  std::string temp_path = "C:\\TEMP\\";
  std::string system_directory = "C:\\WINDOWS\\system32";
  std::string module_file_name = "C:\\Setup.exe";
  std::map<std::string, std::string> short_names;
  int time_zone_bias = 0;
  bool fail_file_size = false;
  long long disk_left = -1;
  long long reads_left = -1;
  bool fail_close = false;
};

FileState& Files();
// Maps a Windows path (absolute, drive-relative or relative) to a host path; "" when
// the drive is unknown.
std::string MapPath(const std::string& windows_path);
// Makes a Windows path absolute against the current directory.
std::string AbsoluteWindowsPath(const std::string& path);
void ResetFiles();
void ResetDesktop();
void ResetProcesses();
void ResetSecurity();
void ResetHeap();
void TokenClosed();

}  // namespace standin::internal
