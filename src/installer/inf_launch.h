// Handing the package's INF file to the system's INF setup engine: the INF path
// built from the header's INF field, the engine's choice and command line, the
// child process run with the working directory current, and the wait for its end.
#pragma once

#include "platform/types.h"
#include "startup/setup_state.h"

namespace installer {

// The INF path buffer. Derivation: the INF field (at most 255 characters) with
// three "><" tokens grown into the longest working directory and its backslash
// (256 characters each) needs 249 + 3 * 256 = 1017 characters and the NUL; more
// tokens fit while the working directory is shorter. That is far beyond
// MAX_PATH, the longest INF path an engine can open; a longer result is
// refused, never cut.
constexpr u32 kInfPathSize = 1024;

// Engine texts. The command line is the engine text, the entry text and the INF
// path, run together.
constexpr char kSetupXProbe[] = "\\SetupX.dll";  // its presence in SystemDir picks the RunDll engine
constexpr char kRunDllEngine[] = "RunDll.exe SetupX.dll";
constexpr char kRunDll32Engine[] = "RunDll32.exe SetupApi.dll";
constexpr char kRunDllProgram[] = "\\RunDll.exe";      // the engine's program in SystemDir
constexpr char kRunDll32Program[] = "\\RunDll32.exe";
constexpr char kEngineEntry[] = ",InstallHinfSection DefaultInstall 132 ";
constexpr u32 kEntryLength = sizeof kEngineEntry - 1;
static_assert(kEntryLength == 39, "the entry text ends in one blank after 132");

// The command line buffer: the longer engine text, the entry, the INF path with
// its NUL.
constexpr u32 kCommandLineSize = (sizeof kRunDll32Engine - 1) + kEntryLength + kInfPathSize;
static_assert(sizeof kRunDll32Engine >= sizeof kRunDllEngine, "the buffer is sized by the longer engine");
// The engine program's full path: the system directory and the longer file name.
constexpr u32 kEngineProgramSize = startup::kSystemDirSize + sizeof kRunDll32Program;

// The INF path from g_Setup.InfName, written into `path` (capacity bytes):
//   1. WorkDir gets a trailing backslash in place when it lacks one and has room;
//   2. the field is cut before its first '|';
//   3. every "><" becomes the text of WorkDir ending in one backslash (never
//      doubled); the working directory cannot hold "><" ('<' and '>' are not
//      allowed in Windows names), and the replacement runs left to right, so
//      the scan always ends;
//   4. GetShortPathNameA over the result, in place, with a buffer of the path's
//      own length: the short form is taken only when it is shorter; when the
//      call fails the long form stays.
// Returns false, with `path` empty, when the result would not fit `capacity`.
// Assumes InfName holds a NUL-terminated text (start-up guarantees it).
bool BuildInfPath(char* path, u32 capacity);

// Starts the engine on the INF path with WorkDir as the current directory,
// waits for it without a time limit, and shows "Couldn't initialize
// installation." when it cannot be started, its exit code cannot be read or it
// is -1, or when the path or command line would not fit. StartDir is the
// current directory again on return; WorkDir ends without a trailing backslash.
void LaunchInfInstaller();

}  // namespace installer
