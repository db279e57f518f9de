// The main setup dialog "DLG_MAIN": welcome, licence, extraction, installation,
// finished state, Close.
#pragma once

#include "platform/win32.h"

namespace ui {

INT_PTR CALLBACK MainDialogProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

}  // namespace ui
