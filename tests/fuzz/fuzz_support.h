// Shared by every fuzz target: a scratch folder standing for drive C:, a clean
// stand-in and SetupState with the CRC table built, and files written onto it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace fuzzsupport {

// A scratch folder of this process for `tag`, created on first use and kept.
const std::string& ScratchRoot(const char* tag);

// Resets the stand-in, maps C:\ to ScratchRoot(tag), zeroes g_Setup (freeing the
// CRC table of the previous run) and builds a fresh CRC table.
void ResetRun(const char* tag);

// Frees what ResetRun allocated and zeroes g_Setup again.
void EndRun();

// Writes `size` bytes to C:\<name> (a host file below the scratch root),
// after `prefix` bytes of zeros.
void WriteDriveFile(const char* tag, const char* name, const std::uint8_t* data, std::size_t size,
                    std::size_t prefix = 0);

// The whole content of C:\<name>.
std::string ReadDriveFile(const char* tag, const char* name);

}  // namespace fuzzsupport
