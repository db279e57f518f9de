// Password dialog procedure. The field masks what is typed and has no length
// limit of its own; only the first kPasswordSize - 1 characters are taken.
#include "ui/password_dialog.h"

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

INT_PTR OnInitDialog(HWND window) {
  SetWindowTextA(window, kPasswordCaption);
  SetItemText(window, IDOK, kPasswordOk);
  SetItemText(window, IDCANCEL, kPasswordCancel);
  CentreWindow(window);
  SetFocus(GetDlgItem(window, IDC_PASSWORD_EDIT));
  return FALSE;  // the focus is set: the dialog manager must not move it
}

// GetDlgItemTextA copies at most size - 1 characters and a NUL, and returns the
// count copied; an empty field gives 0 and an empty text.
void OnOk(HWND window) {
  UINT length = GetDlgItemTextA(window, IDC_PASSWORD_EDIT, g_Setup.PasswordText, startup::kPasswordSize);
  if (length >= startup::kPasswordSize) length = startup::kPasswordSize - 1;
  g_Setup.PasswordLength = static_cast<i32>(length);
  g_Setup.PasswordText[length] = '\0';
  EndDialog(window, IDOK);
}

INT_PTR OnCommand(HWND window, WORD id) {
  switch (id) {
    case IDOK:
      OnOk(window);
      return FALSE;
    case IDCANCEL:
      EndDialog(window, IDCANCEL);
      return TRUE;
  }
  return FALSE;
}

}  // namespace

INT_PTR CALLBACK PasswordDialogProc(HWND window, UINT message, WPARAM wparam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      return OnInitDialog(window);
    case WM_COMMAND:
      return OnCommand(window, LOWORD(wparam));
  }
  return FALSE;
}

}  // namespace ui
