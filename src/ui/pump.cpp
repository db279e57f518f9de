#include "ui/pump.h"

#include "platform/win32.h"

namespace ui {

void PumpOneMessage() {
  MSG msg;
  if (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
}

}  // namespace ui
