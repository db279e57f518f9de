// The overwrite prompt "FILEEXIST": may an existing file be replaced?
#pragma once

#include "platform/win32.h"

namespace ui {

// Shows ExistingName with " already exists - overwrite ?" and leaves the decision
// in OverwriteAnswer (true = replace). With "Don't &ask again" ticked the answer
// also becomes OverwriteMode for every later file (0 replace, 1 keep). Ends with
// the button pressed: 1 "&Yes" (the default, Enter), 2 "&No", Esc or the close
// box. Run by the extraction as "FileExist"; the result itself is not used.
INT_PTR CALLBACK OverwriteDialogProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

}  // namespace ui
