// The main setup dialog "DLG_MAIN". It keeps no state of its own: every decision
// reads g_Setup. States, with their buttons (1 = action, 2 = close):
//   welcome     "&Install" / "&Close", welcome text
//   licence     the licence dialog runs on top (no owner), both buttons enabled
//   extracting  both disabled; ExtractArchive writes its progress into 3002
//   installing  both disabled; the updating text; the setup engine runs
//   finished    "&Info" / "&Finish"; Info shows the notice and information line
//   deleting    the recorded files go, one line each, then the created folders
//   ended       result 2 after deleting, result 1 after a failed extraction
#include "ui/main_dialog.h"

#include "archive/extract.h"
#include "archive/path_utils.h"
#include "installer/inf_launch.h"
#include "platform/memory.h"
#include "resource_ids.h"
#include "startup/setup_state.h"
#include "ui/centre_window.h"
#include "ui/licence_dialog.h"
#include "ui/messages.h"
#include "ui/pump.h"

namespace ui {
namespace {

using startup::g_Setup;

constexpr int kActionButton = IDOK;     // Install, later Info
constexpr int kCloseButton = IDCANCEL;  // Close, later Finish; also Esc and the close box
constexpr u8 kOverwriteAsk = 2;         // OverwriteMode: ask before replacing a file
constexpr char kLicenceDialog[] = "DLG_LIC";

// The Info box text: the notice and at most 255 characters of information line.
constexpr u32 kInfoBoxSize = startup::kNoticeLength + 256;
// A deletion line: the prefix and a stored path (extraction keeps paths within kPathSize).
constexpr u32 kDeletingLineSize = sizeof kDeletingPrefix + startup::kPathSize;

void SetItemText(HWND window, int id, const char* text) {
  SendMessageA(GetDlgItem(window, id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text));
}

void EnableButtons(HWND window, BOOL enable) {
  EnableWindow(GetDlgItem(window, kCloseButton), enable);
  EnableWindow(GetDlgItem(window, kActionButton), enable);
}

// Copies `text` behind out[*used] as far as it fits, NUL-terminated.
void AppendCut(char* out, u32 capacity, u32* used, const char* text) {
  while (*text != '\0' && *used + 1 < capacity) out[(*used)++] = *text++;
  out[*used] = '\0';
}

// WM_INITDIALOG: texts of the welcome state, centred. Returns 0: the procedure
// sets no focus itself.
INT_PTR OnInitDialog(HWND window) {
  g_Setup.OverwriteMode = kOverwriteAsk;
  g_Setup.InstallStarted = false;
  if (g_Setup.HasTitle) SetWindowTextA(window, g_Setup.Title);
  SetItemText(window, kActionButton, kButtonInstall);
  SetItemText(window, kCloseButton, kButtonClose);
  SetItemText(window, IDC_MAIN_TEXT, g_Setup.WelcomeText);
  CentreWindow(window);
  return FALSE;
}

// Info: the built-in notice directly followed by the information line.
INT_PTR OnInfo() {
  char text[kInfoBoxSize];
  u32 used = 0;
  text[0] = '\0';
  AppendCut(text, sizeof text, &used, g_Setup.BuiltInNotice);
  if (g_Setup.InfoText) AppendCut(text, sizeof text, &used, g_Setup.InfoText);
  MessageBoxA(nullptr, text, kCaptionInfo, MB_OK);
  return FALSE;
}

// Close (also Finish, Esc, the close box and the automatic click): deletes every
// file extraction wrote, in the order written, showing each path, then removes
// the folders it created, deepest first, and ends the dialog with 2. Failures
// are passed over silently; the lists stay as they are.
INT_PTR OnClose(HWND window) {
  const startup::PathList& files = g_Setup.ExtractedFiles;
  for (u32 i = 0; i < files.Count; ++i) {
    DeleteFileA(files.Items[i]);
    char line[kDeletingLineSize];
    u32 used = 0;
    line[0] = '\0';
    AppendCut(line, sizeof line, &used, kDeletingPrefix);
    AppendCut(line, sizeof line, &used, files.Items[i]);
    SetItemText(window, IDC_MAIN_TEXT, line);
    PumpOneMessage();
  }
  // Folders are recorded parents first, so the reverse order removes each one
  // after everything below it. Only empty folders go.
  const startup::PathList& dirs = g_Setup.CreatedDirs;
  for (u32 i = dirs.Count; i > 0; --i) RemoveDirectoryA(dirs.Items[i - 1]);
  EndDialog(window, kCloseButton);
  return TRUE;
}

// The finished state after the engine has ended. With KeepOpen 0 the dialog
// presses its own Close button: the click runs OnClose synchronously, nested in
// this command. A button ignores BM_CLICK while it is disabled, and both are
// disabled here, so Close is enabled first and the window brought to the front.
void EnterFinished(HWND window) {
  SetItemText(window, kCloseButton, kButtonFinish);
  SetItemText(window, IDC_MAIN_TEXT, kFinishText);
  SetItemText(window, kActionButton, kButtonInfo);
  PumpOneMessage();
  if (g_Setup.KeepOpen != 0) return;
  SetForegroundWindow(window);
  HWND close = GetDlgItem(window, kCloseButton);
  EnableWindow(close, TRUE);
  SendMessageA(close, BM_CLICK, 0, 0);
}

// Install: licence (only the result 1 goes on), extraction, setup engine,
// finished state. Both buttons stay disabled while the work runs, so no command
// can re-enter here; they are enabled again at the end on every way out.
INT_PTR OnInstall(HWND window) {
  if (g_Setup.LicenceLen != 0 &&
      DialogBoxParamA(g_Setup.Instance, kLicenceDialog, nullptr, LicenceDialogProc, 0) != IDOK)
    return FALSE;
  g_Setup.InstallStarted = true;
  archive::StripBackslash(g_Setup.WorkDir);
  EnableWindow(GetDlgItem(window, kActionButton), FALSE);
  EnableWindow(GetDlgItem(window, kCloseButton), FALSE);
  archive::ExtractArchive(window);
  if (!g_Setup.Succeeded) {
    EndDialog(window, IDOK);  // result 1; the extraction has shown its own message
  } else {
    SetItemText(window, IDC_MAIN_TEXT, kUpdatingText);
    PumpOneMessage();
    installer::LaunchInfInstaller();
    EnterFinished(window);
  }
  EnableButtons(window, TRUE);
  return FALSE;
}

// WM_COMMAND: the control identifier in the low word; the notification code is
// not looked at.
INT_PTR OnCommand(HWND window, WPARAM wparam) {
  switch (LOWORD(wparam)) {
    case kActionButton:
      return g_Setup.InstallStarted ? OnInfo() : OnInstall(window);
    case kCloseButton:
      return OnClose(window);
    default:
      return FALSE;
  }
}

}  // namespace

INT_PTR CALLBACK MainDialogProc(HWND window, UINT message, WPARAM wparam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      return OnInitDialog(window);
    case WM_COMMAND:
      return OnCommand(window, wparam);
    default:
      return FALSE;
  }
}

}  // namespace ui
