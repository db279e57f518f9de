#include "ui/centre_window.h"

namespace ui {

void CentreWindow(HWND window) {
  RECT rect;
  if (!GetWindowRect(window, &rect)) return;
  int width = rect.right - rect.left;
  int height = rect.bottom - rect.top;
  int x = (GetSystemMetrics(SM_CXSCREEN) - width) / 2;
  int y = (GetSystemMetrics(SM_CYSCREEN) - height) / 2;
  SetWindowPos(window, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
}

}  // namespace ui
