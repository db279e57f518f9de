// Stand-in for the Win32 file and directory calls over a real POSIX tree. Drive
// letters map to folders a test chooses; '\' and '/' both separate components.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/posix/standin_internal.h"

namespace standin {
namespace internal {

FileState& Files() {
  static FileState state;
  return state;
}

void ResetFiles() { Files() = FileState{}; }

std::string AbsoluteWindowsPath(const std::string& path) {
  if (path.size() >= 2 && path[1] == ':') {
    if (path.size() >= 3 && (path[2] == '\\' || path[2] == '/')) return path;
    return path.substr(0, 2) + "\\" + path.substr(2);  // drive-relative: from its root
  }
  const std::string& cwd = Files().current_directory;
  if (!path.empty() && (path[0] == '\\' || path[0] == '/')) return cwd.substr(0, 2) + path;
  std::string base = cwd;
  if (base.empty() || base.back() != '\\') base += '\\';
  return base + path;
}

std::string MapPath(const std::string& windows_path) {
  std::string path = AbsoluteWindowsPath(windows_path);
  char letter = static_cast<char>(path[0] & ~0x20);
  auto it = Files().drives.find(letter);
  if (it == Files().drives.end()) return "";
  std::string host = it->second;
  for (std::size_t i = 2; i < path.size(); ++i) host += path[i] == '\\' ? '/' : path[i];
  return host;
}

}  // namespace internal

using internal::Files;
using internal::HandleObject;
using internal::MapPath;

void SetDriveRoot(char letter, const std::string& root) { Files().drives[static_cast<char>(letter & ~0x20)] = root; }
std::string HostPath(const std::string& windows_path) { return MapPath(windows_path); }
void SetCurrentDirectory(const std::string& windows_path) { Files().current_directory = windows_path; }
void SetTempPath(const std::string& value) { Files().temp_path = value; }
void SetSystemDirectory(const std::string& value) { Files().system_directory = value; }
void SetModuleFileName(const std::string& windows_path) { Files().module_file_name = windows_path; }
void SetTimeZoneBias(int minutes) { Files().time_zone_bias = minutes; }
void SetShortPathName(const std::string& long_path, const std::string& short_path) {
  Files().short_names[long_path] = short_path;
}
void FailFileSizeQuery(bool fail) { Files().fail_file_size = fail; }
void LimitDiskSpace(long long bytes) { Files().disk_left = bytes; }
void LimitReads(long long bytes) { Files().reads_left = bytes; }
void FailFileClose(bool fail) { Files().fail_close = fail; }

}  // namespace standin

using standin::internal::Files;
using standin::internal::HandleObject;
using standin::internal::MakeHandle;
using standin::internal::MapPath;

namespace {

HandleObject* AsFile(HANDLE handle) {
  if (handle == nullptr || handle == INVALID_HANDLE_VALUE) return nullptr;
  auto* object = static_cast<HandleObject*>(handle);
  return object->kind == HandleObject::File ? object : nullptr;
}

// Copies `value` into a caller's buffer the way the Get...A calls do: the length
// without NUL when it fits, else the size needed with NUL and nothing written.
DWORD CopyOut(const std::string& value, char* buffer, DWORD size) {
  if (value.size() + 1 > size) return static_cast<DWORD>(value.size() + 1);
  std::memcpy(buffer, value.c_str(), value.size() + 1);
  return static_cast<DWORD>(value.size());
}

bool IsDirectory(const std::string& host) {
  struct stat info;
  return !host.empty() && stat(host.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

}  // namespace

HANDLE CreateFileA(LPCSTR name, DWORD access, DWORD, SECURITY_ATTRIBUTES*, DWORD disposition, DWORD, HANDLE) {
  std::string host = MapPath(name);
  if (host.empty() || IsDirectory(host)) return INVALID_HANDLE_VALUE;
  int flags = (access & GENERIC_WRITE) ? ((access & GENERIC_READ) ? O_RDWR : O_WRONLY) : O_RDONLY;
  if (disposition == CREATE_ALWAYS) flags |= O_CREAT | O_TRUNC;
  if (flags & O_CREAT) {
    struct stat info;
    // A read-only file cannot be replaced, even by root.
    if (stat(host.c_str(), &info) == 0 && (info.st_mode & S_IWUSR) == 0) return INVALID_HANDLE_VALUE;
  }
  int fd = open(host.c_str(), flags | O_CLOEXEC, 0644);
  if (fd < 0) return INVALID_HANDLE_VALUE;
  auto* object = MakeHandle(HandleObject::File);
  object->fd = fd;
  return object;
}

BOOL ReadFile(HANDLE file, void* buffer, DWORD count, DWORD* read_count, void*) {
  HandleObject* object = AsFile(file);
  if (read_count) *read_count = 0;
  if (!object) return FALSE;
  long long& left = Files().reads_left;
  if (left >= 0 && static_cast<long long>(count) > left) count = static_cast<DWORD>(left);
  ssize_t got = 0;
  DWORD total = 0;
  while (total < count && (got = read(object->fd, static_cast<char*>(buffer) + total, count - total)) > 0)
    total += static_cast<DWORD>(got);
  if (left >= 0) left -= total;
  if (read_count) *read_count = total;
  return got < 0 ? FALSE : TRUE;
}

BOOL WriteFile(HANDLE file, const void* buffer, DWORD count, DWORD* written, void*) {
  HandleObject* object = AsFile(file);
  if (written) *written = 0;
  if (!object) return FALSE;
  long long& left = Files().disk_left;
  DWORD allowed = count;
  if (left >= 0 && static_cast<long long>(allowed) > left) allowed = static_cast<DWORD>(left);
  DWORD total = 0;
  while (total < allowed) {
    ssize_t put = write(object->fd, static_cast<const char*>(buffer) + total, allowed - total);
    if (put <= 0) break;
    total += static_cast<DWORD>(put);
  }
  if (left >= 0) left -= total;
  if (written) *written = total;
  return total == count ? TRUE : FALSE;
}

DWORD SetFilePointer(HANDLE file, LONG distance, LONG* distance_high, DWORD method) {
  HandleObject* object = AsFile(file);
  if (!object) return INVALID_SET_FILE_POINTER;
  long long offset = distance_high ? ((static_cast<long long>(*distance_high) << 32) | static_cast<DWORD>(distance))
                                   : static_cast<long long>(distance);
  int whence = method == FILE_BEGIN ? SEEK_SET : method == FILE_CURRENT ? SEEK_CUR : SEEK_END;
  long long base = whence == SEEK_SET ? 0 : lseek(object->fd, 0, whence);
  if (base + offset < 0) return INVALID_SET_FILE_POINTER;  // before the start: refused, position kept
  off_t result = lseek(object->fd, static_cast<off_t>(offset), whence);
  if (result < 0) return INVALID_SET_FILE_POINTER;
  if (distance_high) *distance_high = static_cast<LONG>(result >> 32);
  return static_cast<DWORD>(result);
}

DWORD GetFileSize(HANDLE file, DWORD* size_high) {
  HandleObject* object = AsFile(file);
  struct stat info;
  if (!object || Files().fail_file_size || fstat(object->fd, &info) != 0) return INVALID_FILE_SIZE;
  if (size_high) *size_high = static_cast<DWORD>(static_cast<unsigned long long>(info.st_size) >> 32);
  return static_cast<DWORD>(info.st_size);
}

BOOL CloseHandle(HANDLE handle) {
  if (handle == nullptr || handle == INVALID_HANDLE_VALUE) return FALSE;
  auto* object = static_cast<HandleObject*>(handle);
  if (object->kind == HandleObject::Pseudo) return TRUE;
  if (object->kind == HandleObject::Search) return FALSE;  // searches end with FindClose
  bool failed = object->kind == HandleObject::File && Files().fail_close;
  if (object->kind == HandleObject::File) close(object->fd);
  if (object->kind == HandleObject::Token) standin::internal::TokenClosed();
  delete object;
  return failed ? FALSE : TRUE;
}

BOOL DeleteFileA(LPCSTR name) {
  std::string host = MapPath(name);
  if (host.empty() || IsDirectory(host)) return FALSE;
  return unlink(host.c_str()) == 0 ? TRUE : FALSE;
}

DWORD GetFileAttributesA(LPCSTR name) {
  std::string host = MapPath(name);
  struct stat info;
  if (host.empty() || stat(host.c_str(), &info) != 0) return INVALID_FILE_ATTRIBUTES;
  DWORD attributes = S_ISDIR(info.st_mode) ? FILE_ATTRIBUTE_DIRECTORY : 0;
  if ((info.st_mode & S_IWUSR) == 0) attributes |= FILE_ATTRIBUTE_READONLY;
  return attributes ? attributes : FILE_ATTRIBUTE_NORMAL;
}

BOOL CreateDirectoryA(LPCSTR name, SECURITY_ATTRIBUTES*) {
  std::string host = MapPath(name);
  return !host.empty() && mkdir(host.c_str(), 0755) == 0 ? TRUE : FALSE;
}

BOOL RemoveDirectoryA(LPCSTR name) {
  std::string host = MapPath(name);
  return !host.empty() && rmdir(host.c_str()) == 0 ? TRUE : FALSE;
}

DWORD GetCurrentDirectoryA(DWORD size, LPSTR buffer) { return CopyOut(Files().current_directory, buffer, size); }

BOOL SetCurrentDirectoryA(LPCSTR name) {
  std::string path = standin::internal::AbsoluteWindowsPath(name);
  if (!IsDirectory(MapPath(path))) return FALSE;
  Files().current_directory = path;
  return TRUE;
}

UINT GetSystemDirectoryA(LPSTR buffer, UINT size) { return CopyOut(Files().system_directory, buffer, size); }

DWORD GetTempPathA(DWORD size, LPSTR buffer) {
  if (Files().temp_path.empty()) return 0;
  return CopyOut(Files().temp_path, buffer, size);
}

DWORD GetShortPathNameA(LPCSTR long_path, LPSTR short_path, DWORD size) {
  std::string host = MapPath(long_path);
  struct stat info;
  if (host.empty() || stat(host.c_str(), &info) != 0) return 0;
  auto it = Files().short_names.find(long_path);
  std::string value = it == Files().short_names.end() ? std::string(long_path) : it->second;
  return CopyOut(value, short_path, size);
}

HMODULE GetModuleHandleA(LPCSTR name) {
  static char module_marker;
  return name == nullptr ? reinterpret_cast<HMODULE>(&module_marker) : nullptr;
}

DWORD GetModuleFileNameA(HMODULE, LPSTR buffer, DWORD size) {
  const std::string& value = Files().module_file_name;
  if (size == 0) return 0;
  DWORD count = static_cast<DWORD>(value.size() < size ? value.size() : size - 1);
  std::memcpy(buffer, value.data(), count);
  buffer[count] = '\0';
  return value.size() < size ? count : size;
}

FARPROC GetProcAddress(HMODULE, LPCSTR) { return nullptr; }

[[noreturn]] void ExitProcess(UINT code) { throw standin::ProcessExit{code}; }
