// Reading the package header at kStubSize: flags, lengths and the texts behind it.
#pragma once

namespace startup {

// Reads the header and texts into g_Setup, asks IsAdministrator when the header
// demands it, runs CheckPackageSize (which may end the program) and sets
// ArchiveBase. False only when administrator rights are required and missing;
// true otherwise, also for a file without a header.
bool ReadPackageHeader();

}  // namespace startup
