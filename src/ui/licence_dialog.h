// The licence dialog "DLG_LIC": shows LicenceText and asks the person to agree.
#pragma once

#include "platform/win32.h"

namespace ui {

// Ends with 1 for "I agree" and 2 for "&Cancel", Esc or the close box; only 1 is
// consent. Run by the main dialog with DialogBoxParamA(Instance, "DLG_LIC", no
// owner, LicenceDialogProc, 0).
INT_PTR CALLBACK LicenceDialogProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

}  // namespace ui
