// The installer's run: open the own file, build the CRC table, prepare, run the
// main dialog, clean up.
#pragma once

namespace startup {

// The whole program after process start. Always ends with exit code 0 (the
// caller's ExitProcess); CheckPackageSize may end the process from inside.
void RunSetup();

// Unscrambles the built-in notice, sets StartDir, SystemDir and WorkDir, and
// reads the package header. True when the main dialog is to be shown.
bool PrepareSetup();

// WorkDir := the temp path without its trailing '\' (or, when that is the
// current directory or unusable, the system directory) + "\$Pellmor.Tmp".
void ComputeWorkDir();

}  // namespace startup
