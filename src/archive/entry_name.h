// Confinement of archive entry names to the working directory.
#pragma once

#include "platform/types.h"

namespace archive {

// True when `name` (as stored, '/' or '\' separated, NUL-terminated) names a file
// or directory strictly inside the working directory: no empty name, no leading
// separator, drive, UNC prefix or ':' anywhere, no "." or ".." component, no
// character Windows forbids in names (< > " | ? * and controls), no reserved
// device name (CON, PRN, AUX, NUL, COM1-9, LPT1-9, with or without extension),
// no component ending in a dot or a blank, no empty component ("a//b"). One
// trailing separator is allowed: it marks a directory entry. The length is the
// caller's to bound (the name buffer and the joined target path).
bool IsSafeEntryName(const char* name);

}  // namespace archive
