// The INF installer launch: INF path, engine choice, command line, child process
// and wait. The engine is "RunDll32.exe SetupApi.dll" (or "RunDll.exe SetupX.dll"
// where the system directory holds SetupX.dll) with the entry InstallHinfSection,
// section DefaultInstall, mode 132; only its start, its end and its exit code count.
#include "installer/inf_launch.h"

#include "archive/path_utils.h"
#include "platform/memory.h"
#include "platform/win32.h"
#include "ui/messages.h"

namespace installer {
namespace {

using startup::g_Setup;

constexpr DWORD kLaunchFailed = 0xFFFFFFFFu;  // exit code -1, and the value for every failure
constexpr DWORD kEngineFlags = CREATE_NEW_CONSOLE | HIGH_PRIORITY_CLASS;  // 0x90
static_assert(kEngineFlags == 0x90, "the engine's creation flags");

// Appends `count` bytes of `text` at out[*used], keeping room for a NUL.
// False, unchanged, when they would not fit `capacity`.
bool Append(char* out, u32 capacity, u32* used, const char* text, u32 count) {
  if (count >= capacity - *used) return false;
  platform::CopyBytes(out + *used, text, count);
  *used += count;
  out[*used] = '\0';
  return true;
}

bool AppendText(char* out, u32 capacity, u32* used, const char* text) {
  return Append(out, capacity, used, text, archive::PCharLength(text));
}

// True when the system directory holds SetupX.dll. An unknown (empty) system
// directory holds nothing.
bool SetupXPresent() {
  char probe[startup::kSystemDirSize + sizeof kSetupXProbe];
  u32 used = 0;
  probe[0] = '\0';
  if (g_Setup.SystemDir[0] == '\0') return false;
  if (!AppendText(probe, sizeof probe, &used, g_Setup.SystemDir) ||
      !AppendText(probe, sizeof probe, &used, kSetupXProbe))
    return false;
  return archive::PathExists(probe);
}

// The engine's program by its full path in the system directory, and its command
// line. Naming the program keeps CreateProcessA from searching for "RunDll32.exe"
// in the folder the package was started from and in the working directory, where
// anyone who can place a file could put a program of that name; the command line
// text stays as the engine expects it. False when either does not fit, or when
// the system directory is unknown.
bool ComposeEngine(const char* inf_path, char* program, char* command_line) {
  bool setupx = SetupXPresent();
  u32 program_used = 0, line_used = 0;
  program[0] = command_line[0] = '\0';
  if (g_Setup.SystemDir[0] == '\0') return false;
  return AppendText(program, kEngineProgramSize, &program_used, g_Setup.SystemDir) &&
         AppendText(program, kEngineProgramSize, &program_used, setupx ? kRunDllProgram : kRunDll32Program) &&
         AppendText(command_line, kCommandLineSize, &line_used, setupx ? kRunDllEngine : kRunDll32Engine) &&
         AppendText(command_line, kCommandLineSize, &line_used, kEngineEntry) &&
         AppendText(command_line, kCommandLineSize, &line_used, inf_path);
}

// Starts the engine in the current directory (WorkDir), inheriting handles and
// the environment, and waits for its end without a time limit. Returns its exit
// code, or kLaunchFailed when it cannot start or its end or code cannot be had.
DWORD RunEngine(const char* program, char* command_line) {
  STARTUPINFOA startup_info;  // 68 bytes on 32-bit Windows: size, flags and show state set
  platform::FillBytes(&startup_info, 0, sizeof startup_info);
  startup_info.cb = sizeof startup_info;
  startup_info.dwFlags = STARTF_USESHOWWINDOW;
  startup_info.wShowWindow = SW_SHOWDEFAULT;
  PROCESS_INFORMATION process;
  platform::FillBytes(&process, 0, sizeof process);
  if (!CreateProcessA(program, command_line, nullptr, nullptr, TRUE, kEngineFlags, nullptr, nullptr, &startup_info,
                      &process))
    return kLaunchFailed;
  DWORD code = kLaunchFailed;
  if (WaitForSingleObject(process.hProcess, INFINITE) == WAIT_FAILED || !GetExitCodeProcess(process.hProcess, &code))
    code = kLaunchFailed;
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return code;
}

}  // namespace

bool BuildInfPath(char* path, u32 capacity) {
  if (capacity == 0) return false;
  path[0] = '\0';
  // WorkDir keeps the backslash. A working directory of 255 characters has no
  // room for it; the replacement below adds it all the same.
  char* work = g_Setup.WorkDir;
  archive::AppendBackslash(work, startup::kWorkDirSize);
  u32 work_length = archive::PCharLength(work);
  bool add_backslash = work_length == 0 || work[work_length - 1] != '\\';

  const char* field = g_Setup.InfName ? g_Setup.InfName : "";
  u32 used = 0;
  for (u32 i = 0; field[i] != '\0' && field[i] != '|';) {
    bool fits;
    if (field[i] == '>' && field[i + 1] == '<') {
      fits = Append(path, capacity, &used, work, work_length) &&
             (!add_backslash || Append(path, capacity, &used, "\\", 1));
      i += 2;
    } else {
      fits = Append(path, capacity, &used, field + i, 1);
      i += 1;
    }
    if (!fits) {
      path[0] = '\0';
      return false;
    }
  }

  // The short form replaces the path only when it fits in the path's own length
  // (so only when it is shorter); a failed call leaves the long form.
  GetShortPathNameA(path, path, used);
  return true;
}

void LaunchInfInstaller() {
  char inf_path[kInfPathSize];
  char program[kEngineProgramSize];
  char command_line[kCommandLineSize];
  bool ready = BuildInfPath(inf_path, sizeof inf_path) && ComposeEngine(inf_path, program, command_line);

  // The engine starts in the working directory and nowhere else: if it cannot be
  // entered, the launch fails like a start failure.
  archive::StripBackslash(g_Setup.WorkDir);
  DWORD code = kLaunchFailed;
  if (ready && SetCurrentDirectoryA(g_Setup.WorkDir)) code = RunEngine(program, command_line);
  if (code == kLaunchFailed) MessageBoxA(nullptr, ui::kTextCannotInstall, ui::kCaptionError, MB_OK);
  SetCurrentDirectoryA(g_Setup.StartDir);
}

}  // namespace installer
