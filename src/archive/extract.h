// One extraction run: every entry of the package's archive into WorkDir.
#pragma once

#include "platform/win32.h"

namespace archive {

// Walks the local headers from ArchiveBase and writes each entry below WorkDir,
// asking for passwords ("DLG_PASS") and before replacing files ("FileExist"),
// showing each path in control 3002 of `window` (the main dialog), recording every
// file written in ExtractedFiles and every directory made in CreatedDirs.
//
// On return Succeeded tells whether the run may go on to the installation. It is
// true only when the walk reached the end of the entries (the central directory,
// the end record or the package's trailer marker), the last entry was accepted,
// and no entry was refused for its password or failed to be written. A failed run
// has told the person why, by message box; the walk never writes outside WorkDir.
// Expects: PackageFile open, ArchiveBase set, CrcTable built, WorkDir set.
void ExtractArchive(HWND window);

}  // namespace archive
