// The Win32 subset the installer calls. On Windows this is the real <windows.h>;
// on Linux it declares our stand-in (src/platform/posix/), written from what the
// installer expects of each call. This list is also the import gate's allow-list:
// the stub may import only KERNEL32, USER32, ADVAPI32 and msvcrt.
//
// Files (KERNEL32)
//   CreateFileA          open the package for reading, create output files
//   ReadFile/WriteFile   count of bytes actually moved is reported
//   SetFilePointer       32-bit positions; INVALID_SET_FILE_POINTER on failure
//   GetFileSize          low 32 bits; INVALID_FILE_SIZE on failure
//   CloseHandle, DeleteFileA, GetFileAttributesA (INVALID_FILE_ATTRIBUTES when absent)
//   FindFirstFileA       '*' and '?' wildcards in the last component; FindClose
//   SetFileTime, DosDateTimeToFileTime, LocalFileTimeToFileTime
// Directories (KERNEL32)
//   CreateDirectoryA, RemoveDirectoryA (only empty directories go)
//   Get/SetCurrentDirectoryA, GetSystemDirectoryA, GetTempPathA (ends in '\')
//   GetShortPathNameA    writes only when the short form fits the buffer
// Module and process (KERNEL32)
//   GetModuleHandleA, GetModuleFileNameA, GetProcAddress, ExitProcess
//   CreateProcessA, WaitForSingleObject, GetExitCodeProcess
//   GetCurrentProcess, GetCurrentThread, GetVersionExA
// Security (ADVAPI32): the Administrators test
//   OpenThreadToken, OpenProcessToken, GetTokenInformation,
//   AllocateAndInitializeSid, EqualSid, FreeSid
// User interface (USER32)
//   DialogBoxParamA      runs a modal dialog from a template among the resources
//   EndDialog, GetDlgItem, SendMessageA (WM_SETTEXT, BM_CLICK, BM_GETCHECK)
//   SetWindowTextA, GetDlgItemTextA (copies at most size - 1 characters)
//   SetFocus, EnableWindow, SetForegroundWindow
//   GetWindowRect, GetSystemMetrics, SetWindowPos, MessageBoxA
//   PeekMessageA, TranslateMessage, DispatchMessageA
#pragma once

#if defined(_WIN32)

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#else  // the POSIX stand-in

#include <cstdint>

#define WINAPI
#define CALLBACK

using BOOL = int;
using BYTE = std::uint8_t;
using WORD = std::uint16_t;
using DWORD = std::uint32_t;
using LONG = std::int32_t;
using UINT = unsigned int;
using INT_PTR = std::intptr_t;
using UINT_PTR = std::uintptr_t;
using LONG_PTR = std::intptr_t;
using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using LRESULT = std::intptr_t;
using LPSTR = char*;
using LPCSTR = const char*;
using PSID = void*;
using HANDLE = void*;
struct HWND__;
struct HINSTANCE__;
using HWND = HWND__*;
using HINSTANCE = HINSTANCE__*;
using HMODULE = HINSTANCE__*;
using FARPROC = void (*)();
using DLGPROC = INT_PTR (*)(HWND, UINT, WPARAM, LPARAM);

constexpr BOOL TRUE = 1;
constexpr BOOL FALSE = 0;
constexpr DWORD MAX_PATH = 260;

#define INVALID_HANDLE_VALUE (reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(-1)))
constexpr DWORD INVALID_FILE_ATTRIBUTES = 0xFFFFFFFFu;
constexpr DWORD INVALID_SET_FILE_POINTER = 0xFFFFFFFFu;
constexpr DWORD INVALID_FILE_SIZE = 0xFFFFFFFFu;

constexpr DWORD GENERIC_READ = 0x80000000u;
constexpr DWORD GENERIC_WRITE = 0x40000000u;
constexpr DWORD FILE_SHARE_READ = 0x1;
constexpr DWORD FILE_SHARE_WRITE = 0x2;
constexpr DWORD CREATE_ALWAYS = 2;
constexpr DWORD OPEN_EXISTING = 3;
constexpr DWORD FILE_ATTRIBUTE_READONLY = 0x01;
constexpr DWORD FILE_ATTRIBUTE_DIRECTORY = 0x10;
constexpr DWORD FILE_ATTRIBUTE_NORMAL = 0x80;
constexpr DWORD FILE_BEGIN = 0;
constexpr DWORD FILE_CURRENT = 1;
constexpr DWORD FILE_END = 2;

constexpr UINT MB_OK = 0x0;
constexpr UINT MB_ICONERROR = 0x10;
constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;

constexpr UINT WM_SETTEXT = 0x000C;
constexpr UINT WM_GETTEXT = 0x000D;
constexpr UINT WM_CLOSE = 0x0010;
constexpr UINT WM_KEYDOWN = 0x0100;
constexpr UINT WM_INITDIALOG = 0x0110;
constexpr UINT WM_COMMAND = 0x0111;
constexpr UINT BM_GETCHECK = 0x00F0;
constexpr UINT BM_SETCHECK = 0x00F1;
constexpr UINT BM_CLICK = 0x00F5;
constexpr WPARAM BST_UNCHECKED = 0;
constexpr WPARAM BST_CHECKED = 1;
constexpr UINT PM_REMOVE = 0x0001;
constexpr int SM_CXSCREEN = 0;
constexpr int SM_CYSCREEN = 1;
constexpr UINT SWP_NOSIZE = 0x0001;
constexpr UINT SWP_NOZORDER = 0x0004;
constexpr int DWLP_MSGRESULT = 0;

constexpr DWORD VER_PLATFORM_WIN32s = 0;
constexpr DWORD VER_PLATFORM_WIN32_WINDOWS = 1;
constexpr DWORD VER_PLATFORM_WIN32_NT = 2;
constexpr DWORD TOKEN_QUERY = 0x0008;
constexpr DWORD SECURITY_BUILTIN_DOMAIN_RID = 32;
constexpr DWORD DOMAIN_ALIAS_RID_ADMINS = 544;
constexpr DWORD SE_GROUP_USE_FOR_DENY_ONLY = 0x10;

constexpr DWORD STARTF_USESHOWWINDOW = 0x1;
constexpr WORD SW_SHOWDEFAULT = 10;
constexpr DWORD CREATE_NEW_CONSOLE = 0x10;
constexpr DWORD HIGH_PRIORITY_CLASS = 0x80;
constexpr DWORD INFINITE = 0xFFFFFFFFu;
constexpr DWORD WAIT_OBJECT_0 = 0;
constexpr DWORD WAIT_FAILED = 0xFFFFFFFFu;
constexpr DWORD LOAD_LIBRARY_SEARCH_SYSTEM32 = 0x00000800;

inline WORD LOWORD(std::uintptr_t v) { return static_cast<WORD>(v & 0xFFFF); }
inline WORD HIWORD(std::uintptr_t v) { return static_cast<WORD>((v >> 16) & 0xFFFF); }

struct FILETIME {
  DWORD dwLowDateTime;
  DWORD dwHighDateTime;
};

struct WIN32_FIND_DATAA {
  DWORD dwFileAttributes;
  FILETIME ftCreationTime;
  FILETIME ftLastAccessTime;
  FILETIME ftLastWriteTime;
  DWORD nFileSizeHigh;
  DWORD nFileSizeLow;
  DWORD dwReserved0;
  DWORD dwReserved1;
  char cFileName[MAX_PATH];
  char cAlternateFileName[14];
};

struct OSVERSIONINFOA {
  DWORD dwOSVersionInfoSize;
  DWORD dwMajorVersion;
  DWORD dwMinorVersion;
  DWORD dwBuildNumber;
  DWORD dwPlatformId;
  char szCSDVersion[128];
};

struct SECURITY_ATTRIBUTES {
  DWORD nLength;
  void* lpSecurityDescriptor;
  BOOL bInheritHandle;
};

struct STARTUPINFOA {
  DWORD cb;
  LPSTR lpReserved;
  LPSTR lpDesktop;
  LPSTR lpTitle;
  DWORD dwX, dwY, dwXSize, dwYSize, dwXCountChars, dwYCountChars, dwFillAttribute;
  DWORD dwFlags;
  WORD wShowWindow;
  WORD cbReserved2;
  BYTE* lpReserved2;
  HANDLE hStdInput, hStdOutput, hStdError;
};

struct PROCESS_INFORMATION {
  HANDLE hProcess;
  HANDLE hThread;
  DWORD dwProcessId;
  DWORD dwThreadId;
};

struct RECT {
  LONG left, top, right, bottom;
};
struct POINT {
  LONG x, y;
};
struct MSG {
  HWND hwnd;
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
  DWORD time;
  POINT pt;
};

struct SID_IDENTIFIER_AUTHORITY {
  BYTE Value[6];
};
#define SECURITY_NT_AUTHORITY \
  { 0, 0, 0, 0, 0, 5 }
struct SID_AND_ATTRIBUTES {
  PSID Sid;
  DWORD Attributes;
};
struct TOKEN_GROUPS {
  DWORD GroupCount;
  SID_AND_ATTRIBUTES Groups[1];
};
enum TOKEN_INFORMATION_CLASS { TokenUser = 1, TokenGroups = 2 };

// Files
HANDLE CreateFileA(LPCSTR name, DWORD access, DWORD share, SECURITY_ATTRIBUTES* security, DWORD disposition,
                   DWORD attributes, HANDLE template_file);
BOOL ReadFile(HANDLE file, void* buffer, DWORD count, DWORD* read, void* overlapped);
BOOL WriteFile(HANDLE file, const void* buffer, DWORD count, DWORD* written, void* overlapped);
DWORD SetFilePointer(HANDLE file, LONG distance, LONG* distance_high, DWORD method);
DWORD GetFileSize(HANDLE file, DWORD* size_high);
BOOL CloseHandle(HANDLE handle);
BOOL DeleteFileA(LPCSTR name);
DWORD GetFileAttributesA(LPCSTR name);
HANDLE FindFirstFileA(LPCSTR pattern, WIN32_FIND_DATAA* found);
BOOL FindClose(HANDLE search);
BOOL SetFileTime(HANDLE file, const FILETIME* creation, const FILETIME* access, const FILETIME* write);
BOOL DosDateTimeToFileTime(WORD dos_date, WORD dos_time, FILETIME* time);
BOOL LocalFileTimeToFileTime(const FILETIME* local, FILETIME* utc);
// Directories
BOOL CreateDirectoryA(LPCSTR name, SECURITY_ATTRIBUTES* security);
BOOL RemoveDirectoryA(LPCSTR name);
DWORD GetCurrentDirectoryA(DWORD size, LPSTR buffer);
BOOL SetCurrentDirectoryA(LPCSTR name);
UINT GetSystemDirectoryA(LPSTR buffer, UINT size);
DWORD GetTempPathA(DWORD size, LPSTR buffer);
DWORD GetShortPathNameA(LPCSTR long_path, LPSTR short_path, DWORD size);
// Module and process
HMODULE GetModuleHandleA(LPCSTR name);
DWORD GetModuleFileNameA(HMODULE module, LPSTR buffer, DWORD size);
FARPROC GetProcAddress(HMODULE module, LPCSTR name);
[[noreturn]] void ExitProcess(UINT code);
BOOL CreateProcessA(LPCSTR application, LPSTR command_line, SECURITY_ATTRIBUTES* process_security,
                    SECURITY_ATTRIBUTES* thread_security, BOOL inherit_handles, DWORD flags, void* environment,
                    LPCSTR current_directory, STARTUPINFOA* startup, PROCESS_INFORMATION* process);
DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds);
BOOL GetExitCodeProcess(HANDLE process, DWORD* code);
HANDLE GetCurrentProcess();
HANDLE GetCurrentThread();
BOOL GetVersionExA(OSVERSIONINFOA* info);
// Security
BOOL OpenThreadToken(HANDLE thread, DWORD access, BOOL open_as_self, HANDLE* token);
BOOL OpenProcessToken(HANDLE process, DWORD access, HANDLE* token);
BOOL GetTokenInformation(HANDLE token, TOKEN_INFORMATION_CLASS kind, void* buffer, DWORD size, DWORD* needed);
BOOL AllocateAndInitializeSid(SID_IDENTIFIER_AUTHORITY* authority, BYTE count, DWORD s0, DWORD s1, DWORD s2,
                              DWORD s3, DWORD s4, DWORD s5, DWORD s6, DWORD s7, PSID* sid);
BOOL EqualSid(PSID a, PSID b);
void* FreeSid(PSID sid);
// User interface
INT_PTR DialogBoxParamA(HINSTANCE instance, LPCSTR template_name, HWND owner, DLGPROC procedure, LPARAM param);
BOOL EndDialog(HWND dialog, INT_PTR result);
HWND GetDlgItem(HWND dialog, int id);
LRESULT SendMessageA(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
BOOL SetWindowTextA(HWND window, LPCSTR text);
UINT GetDlgItemTextA(HWND dialog, int id, LPSTR buffer, int size);
HWND SetFocus(HWND window);
BOOL EnableWindow(HWND window, BOOL enable);
BOOL SetForegroundWindow(HWND window);
BOOL GetWindowRect(HWND window, RECT* rect);
int GetSystemMetrics(int index);
BOOL SetWindowPos(HWND window, HWND insert_after, int x, int y, int cx, int cy, UINT flags);
int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type);
BOOL PeekMessageA(MSG* msg, HWND window, UINT first, UINT last, UINT remove);
BOOL TranslateMessage(const MSG* msg);
LRESULT DispatchMessageA(const MSG* msg);
LONG_PTR SetWindowLongPtrA(HWND window, int index, LONG_PTR value);

#endif  // _WIN32
