// Keeping the window alive during long work on the one thread.
#pragma once

namespace ui {

// Removes at most one pending message of any window of the thread and, only when
// one was removed, translates and dispatches it. The dialog manager's keyboard
// handling is not applied.
void PumpOneMessage();

}  // namespace ui
