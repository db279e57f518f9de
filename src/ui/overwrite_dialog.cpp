// Overwrite prompt procedure. The caption is the package title, empty when the
// package has none; the check box starts unticked at every opening.
#include "ui/overwrite_dialog.h"

#include "platform/memory.h"
#include "resource_ids.h"
#include "startup/setup_state.h"
#include "ui/centre_window.h"
#include "ui/messages.h"

namespace ui {
namespace {

using startup::g_Setup;

void SetItemText(HWND window, int id, const char* text) {
  SendMessageA(GetDlgItem(window, id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text));
}

u32 TextLength(const char* text) {
  u32 n = 0;
  while (text[n] != '\0') ++n;
  return n;
}

// ExistingName (at most kPathSize - 1 characters) followed by the question.
void ShowQuestion(HWND window) {
  char text[startup::kPathSize + sizeof kOverwriteSuffix];
  u32 n = TextLength(g_Setup.ExistingName);
  if (n > startup::kPathSize - 1) n = startup::kPathSize - 1;
  platform::CopyBytes(text, g_Setup.ExistingName, n);
  platform::CopyBytes(text + n, kOverwriteSuffix, sizeof kOverwriteSuffix);
  SetItemText(window, IDC_EXIST_TEXT, text);
}

INT_PTR OnInitDialog(HWND window) {
  SetWindowTextA(window, g_Setup.Title ? g_Setup.Title : "");
  SetItemText(window, IDOK, kOverwriteYes);
  SetItemText(window, IDCANCEL, kOverwriteNo);
  SetItemText(window, IDC_EXIST_DONT_ASK, kOverwriteDontAsk);
  CentreWindow(window);
  ShowQuestion(window);
  return FALSE;
}

// Yes or No: this file's answer, and with the box ticked every later file's.
INT_PTR OnAnswer(HWND window, WORD id) {
  bool replace = id == IDOK;
  bool dont_ask = SendMessageA(GetDlgItem(window, IDC_EXIST_DONT_ASK), BM_GETCHECK, 0, 0) == BST_CHECKED;
  if (dont_ask) g_Setup.OverwriteMode = replace ? 0 : 1;
  g_Setup.OverwriteAnswer = replace;
  EndDialog(window, id);
  return TRUE;
}

INT_PTR OnCommand(HWND window, WORD id) {
  if (id == IDOK || id == IDCANCEL) return OnAnswer(window, id);
  return FALSE;
}

}  // namespace

INT_PTR CALLBACK OverwriteDialogProc(HWND window, UINT message, WPARAM wparam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      return OnInitDialog(window);
    case WM_COMMAND:
      return OnCommand(window, LOWORD(wparam));
  }
  return FALSE;
}

}  // namespace ui
