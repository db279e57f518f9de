// Licence dialog procedure. The template's texts are placeholders; every text is
// set here. Cancel is the template's default button, so Enter declines unless the
// focus is on "I agree".
#include "ui/licence_dialog.h"

#include "resource_ids.h"
#include "startup/setup_state.h"
#include "ui/centre_window.h"
#include "ui/messages.h"

namespace ui {
namespace {

void SetItemText(HWND window, int id, const char* text) {
  SendMessageA(GetDlgItem(window, id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text));
}

INT_PTR OnInitDialog(HWND window) {
  SetWindowTextA(window, kLicenceCaption);
  SetItemText(window, IDC_LICENCE_TEXT, startup::g_Setup.LicenceText);
  SetItemText(window, IDC_LICENCE_PROMPT, kLicencePrompt);
  SetItemText(window, IDOK, kLicenceAgree);
  SetItemText(window, IDCANCEL, kLicenceCancel);
  CentreWindow(window);
  return FALSE;  // the dialog manager keeps its own focus choice
}

INT_PTR OnCommand(HWND window, WORD id) {
  switch (id) {
    case IDOK:
      EndDialog(window, IDOK);
      return FALSE;
    case IDCANCEL:
      EndDialog(window, IDCANCEL);
      return TRUE;
  }
  return FALSE;
}

}  // namespace

INT_PTR CALLBACK LicenceDialogProc(HWND window, UINT message, WPARAM wparam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      return OnInitDialog(window);
    case WM_COMMAND:
      return OnCommand(window, LOWORD(wparam));
  }
  return FALSE;
}

}  // namespace ui
