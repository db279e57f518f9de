// The program's run from process start to exit, and the preparation before the
// main dialog: built-in notice, the three directories, the package header.
#include "startup/prepare_setup.h"

#include "archive/path_utils.h"
#include "decode/crc32.h"
#include "platform/memory.h"
#include "platform/win32.h"
#include "startup/builtin_notice.h"
#include "startup/package_header.h"
#include "startup/scramble.h"
#include "startup/setup_state.h"
#include "ui/main_dialog.h"
#include "ui/messages.h"

namespace startup {
namespace {

constexpr char kWorkDirName[] = "\\$Pellmor.Tmp";  // appended to the temp (or system) directory
constexpr u32 kWorkDirNameLength = sizeof kWorkDirName - 1;
constexpr u32 kTempPathBuffer = 254;  // GetTempPathA is given 254 bytes of WorkDir
static_assert(kTempPathBuffer <= kWorkDirSize, "the temp path is written into WorkDir");
constexpr char kMainDialog[] = "DLG_Main";

// Libraries loaded on the stub's behalf come from the system directory only, so a
// DLL planted beside the downloaded package is never loaded. The call exists from
// Windows 8 (and with KB2533623 on 7); it is looked up so older systems still start.
void RestrictDllSearch() {
  using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
  HMODULE kernel = GetModuleHandleA("kernel32.dll");
  if (!kernel) return;
  auto set_directories =
      reinterpret_cast<SetDefaultDllDirectoriesFn>(GetProcAddress(kernel, "SetDefaultDllDirectories"));
  if (set_directories) set_directories(LOAD_LIBRARY_SEARCH_SYSTEM32);
}

bool SameText(const char* a, const char* b) {
  while (*a != '\0' && *a == *b) ++a, ++b;
  return *a == *b;
}

}  // namespace

void ComputeWorkDir() {
  char* work = g_Setup.WorkDir;
  DWORD r = GetTempPathA(kTempPathBuffer, work);
  // A missing temp path, one that did not fit, or one too long to take the
  // directory name falls back to the system directory like the current-directory case.
  bool usable = r > 1 && r < kTempPathBuffer;
  if (usable) {
    archive::StripBackslash(work);
    usable = archive::PCharLength(work) + kWorkDirNameLength < kWorkDirSize && !SameText(work, g_Setup.StartDir);
  }
  if (!usable) {
    u16 n = archive::PCharLength(g_Setup.SystemDir);
    platform::CopyBytes(work, g_Setup.SystemDir, n + 1u);
  }
  u16 n = archive::PCharLength(work);
  platform::CopyBytes(work + n, kWorkDirName, kWorkDirNameLength + 1);
}

bool PrepareSetup() {
  platform::CopyBytes(g_Setup.BuiltInNotice, kStoredNotice, sizeof g_Setup.BuiltInNotice);
  UnscrambleText(g_Setup.BuiltInNotice, kNoticeScrambled);
  if (GetCurrentDirectoryA(kStartDirSize, g_Setup.StartDir) >= kStartDirSize) g_Setup.StartDir[0] = '\0';
  // A system directory longer than 126 characters is not written; SystemDir stays empty.
  if (GetSystemDirectoryA(g_Setup.SystemDir, kSystemDirSize - 1) >= kSystemDirSize - 1) g_Setup.SystemDir[0] = '\0';
  ComputeWorkDir();
  return ReadPackageHeader();
}

void RunSetup() {
  RestrictDllSearch();
  g_Setup.Instance = GetModuleHandleA(nullptr);
  g_Setup.InfName = static_cast<char*>(platform::Alloc(kHeaderTextSize));
  g_Setup.Title = static_cast<char*>(platform::Alloc(kHeaderTextSize));
  if (!g_Setup.InfName || !g_Setup.Title) return;
  g_Setup.InfName[0] = '\0';
  g_Setup.Title[0] = '\0';

  char path[kModulePathSize];
  path[0] = '\0';
  GetModuleFileNameA(nullptr, path, kModulePathSize);
  path[kModulePathSize - 1] = '\0';
  g_Setup.PackageFile = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
  if (g_Setup.PackageFile == INVALID_HANDLE_VALUE) {
    MessageBoxA(nullptr, path, ui::kCaptionCannotOpen, MB_OK);
  } else {
    g_Setup.CrcTable = static_cast<u32*>(platform::Alloc(decode::kCrcTableEntries * sizeof(u32)));
    if (g_Setup.CrcTable) {
      decode::BuildCrcTable();
      if (PrepareSetup()) DialogBoxParamA(g_Setup.Instance, kMainDialog, nullptr, ui::MainDialogProc, 0);
    }
    if (!CloseHandle(g_Setup.PackageFile)) MessageBoxA(nullptr, ui::kTextCannotClose, ui::kCaptionError, MB_OK);
    g_Setup.PackageFile = nullptr;
    platform::Free(g_Setup.CrcTable);
    g_Setup.CrcTable = nullptr;
    RemoveDirectoryA(g_Setup.WorkDir);
  }
  platform::Free(g_Setup.InfName);
  platform::Free(g_Setup.Title);
  g_Setup.InfName = nullptr;
  g_Setup.Title = nullptr;
}

}  // namespace startup
