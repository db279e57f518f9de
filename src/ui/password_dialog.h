// The password dialog "DLG_PASS": asks for the password of an encrypted entry.
#pragma once

#include "platform/win32.h"

namespace ui {

// "&Ok" (or Enter) ends with 1 after copying at most 79 typed characters into
// PasswordText (NUL-terminated) and their count into PasswordLength; "&Cancel"
// or Esc ends with 2 and leaves PasswordText alone. The template has no close box.
INT_PTR CALLBACK PasswordDialogProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

}  // namespace ui
