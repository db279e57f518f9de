// The POSIX stand-in behaves as the installer expects of the real calls.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstring>

#include "platform/posix/standin.h"
#include "platform/win32.h"
#include "support/test_env.h"

namespace {

class StandinTest : public testenv::Env {};

TEST_F(StandinTest, DosTimeBecomesFileTimeAndTheBiasAppliesOnConversion) {
  FILETIME local, utc;
  // 2024-03-15 13:45:30: date (44 << 9) | (3 << 5) | 15, time (13 << 11) | (45 << 5) | 15.
  ASSERT_TRUE(DosDateTimeToFileTime((44 << 9) | (3 << 5) | 15, (13 << 11) | (45 << 5) | 15, &local));
  unsigned long long ticks = (static_cast<unsigned long long>(local.dwHighDateTime) << 32) | local.dwLowDateTime;
  EXPECT_EQ(ticks, 133549839300000000ull);
  standin::SetTimeZoneBias(-60);  // UTC+1: local 13:45 is 12:45 UTC
  LocalFileTimeToFileTime(&local, &utc);
  unsigned long long utc_ticks = (static_cast<unsigned long long>(utc.dwHighDateTime) << 32) | utc.dwLowDateTime;
  EXPECT_EQ(ticks - utc_ticks, 3600ull * 10000000ull);
  EXPECT_FALSE(DosDateTimeToFileTime((44 << 9) | (13 << 5) | 1, 0, &local));  // month 13
}

TEST_F(StandinTest, FindFirstFileListsDotEntriesExceptAtADriveRoot) {
  mkdir(Host("C:\\d").c_str(), 0755);
  WIN32_FIND_DATAA found;
  HANDLE h = FindFirstFileA("C:\\d\\*.*", &found);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  FindClose(h);
  EXPECT_EQ(FindFirstFileA("C:\\d\\x*", &found), INVALID_HANDLE_VALUE);
  testenv::WriteHostFile(Host("C:\\d\\Readme.TXT"), "x");
  h = FindFirstFileA("C:\\d\\Readme.TXT", &found);  // no wildcard: the name itself
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  FindClose(h);
  h = FindFirstFileA("C:\\d\\*.txt", &found);  // wildcards match without regard to case
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  EXPECT_STREQ(found.cFileName, "Readme.TXT");
  FindClose(h);
}

TEST_F(StandinTest, BufferSizesFollowTheWin32Convention) {
  char small[4];
  standin::SetTempPath("C:\\TEMP\\");
  EXPECT_EQ(GetTempPathA(sizeof small, small), 9u);  // needed size with NUL, nothing written
  char big[64];
  EXPECT_EQ(GetTempPathA(sizeof big, big), 8u);
  EXPECT_STREQ(big, "C:\\TEMP\\");
  standin::SetModuleFileName("C:\\Downloads\\Setup.exe");
  EXPECT_EQ(GetModuleFileNameA(nullptr, small, sizeof small), 4u);  // truncated, size returned
  EXPECT_STREQ(small, "C:\\");
}

TEST_F(StandinTest, ReadOnlyFileCannotBeReplacedAndDiskSpaceIsLimited) {
  testenv::WriteHostFile(Host("C:\\ro.txt"), "x");
  chmod(Host("C:\\ro.txt").c_str(), 0444);
  EXPECT_EQ(CreateFileA("C:\\ro.txt", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr),
            INVALID_HANDLE_VALUE);
  EXPECT_TRUE(GetFileAttributesA("C:\\ro.txt") & FILE_ATTRIBUTE_READONLY);
  HANDLE out = CreateFileA("C:\\new.bin", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(out, INVALID_HANDLE_VALUE);
  standin::LimitDiskSpace(5);
  DWORD written = 0;
  EXPECT_FALSE(WriteFile(out, "0123456789", 10, &written, nullptr));
  EXPECT_EQ(written, 5u);
  CloseHandle(out);
  EXPECT_EQ(testenv::ReadHostFile(Host("C:\\new.bin")), "01234");
}

INT_PTR CALLBACK EchoProc(HWND window, UINT message, WPARAM wparam, LPARAM) {
  if (message == WM_INITDIALOG) EnableWindow(GetDlgItem(window, 1), FALSE);
  if (message == WM_COMMAND && LOWORD(wparam) == 3) {  // not a control: ends with 7
    EndDialog(window, 7);
  }
  if (message == WM_COMMAND && LOWORD(wparam) == IDCANCEL) EndDialog(window, IDCANCEL);
  return FALSE;
}

TEST_F(StandinTest, ScriptedDialogIgnoresDisabledButtonsAndEscapesWhenUnscripted) {
  standin::ScriptDialog("dlg_main", {standin::Press(1)});  // disabled: ignored, then Esc
  EXPECT_EQ(DialogBoxParamA(nullptr, "DLG_Main", nullptr, EchoProc, 0), IDCANCEL);
  EXPECT_EQ(standin::UnscriptedDialogs(), 1);
  EXPECT_EQ(DialogBoxParamA(nullptr, "NO_SUCH", nullptr, EchoProc, 0), -1);
}

}  // namespace
