// Main dialog procedure. The full Install/Info/Close handling is built on top of
// extraction and the setup engine launch; until they exist it shows the welcome
// text and ends on Close.
#include "ui/main_dialog.h"

#include "startup/setup_state.h"
#include "ui/messages.h"

namespace ui {

INT_PTR CALLBACK MainDialogProc(HWND window, UINT message, WPARAM wparam, LPARAM) {
  using startup::g_Setup;
  if (message == WM_INITDIALOG) {
    if (g_Setup.HasTitle) SetWindowTextA(window, g_Setup.Title);
    SendMessageA(GetDlgItem(window, 3002), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(g_Setup.WelcomeText));
    return FALSE;
  }
  if (message == WM_COMMAND && LOWORD(wparam) == IDCANCEL) {
    EndDialog(window, IDCANCEL);
    return TRUE;
  }
  return FALSE;
}

}  // namespace ui
