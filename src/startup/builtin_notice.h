// The program's built-in notice, shown by the Info box in front of the package's
// information line. Stored scrambled; PrepareSetup unscrambles it at start.
#pragma once

#include "platform/types.h"
#include "startup/setup_state.h"

namespace startup {

// kNoticeLength characters and a NUL, scrambled over the first kNoticeScrambled
// bytes: the last character is kept as stored.
constexpr i32 kNoticeScrambled = 100;
extern const char kStoredNotice[kNoticeLength + 1];

}  // namespace startup
