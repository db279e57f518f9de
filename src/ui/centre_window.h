// Centring a dialog on the primary screen.
#pragma once

#include "platform/win32.h"

namespace ui {

// Moves the window to ((screen width - W) / 2, (screen height - H) / 2), keeping
// its size and Z order; the whole screen counts, not the work area. Division
// truncates toward zero, so a window wider than the screen gets x = -(excess/2).
void CentreWindow(HWND window);

}  // namespace ui
