// CRC-32 of ZIP archives: reflected polynomial 0xEDB88320, register started at all
// ones and inverted at the end by the caller. Table-driven; the table is built at
// start-up into the heap block CrcTable.
#pragma once

#include "platform/types.h"

namespace decode {

constexpr u32 kCrcPolynomial = 0xEDB88320;
constexpr u32 kCrcTableEntries = 256;
constexpr u32 kCrcStart = 0xFFFFFFFF;

// Fills g_Setup.CrcTable (allocated by the caller, kCrcTableEntries words) and the
// seven derived tables UpdateCrc uses (static storage, built here).
void BuildCrcTable();
// One byte step, no inversion: CrcTable[(r ^ b) & 0xFF] ^ (r >> 8).
u32 CrcStep(u8 byte, u32 crc);
// Same result as CrcStep over `length` bytes in order (eight at a time); a
// length of 0 or less changes nothing.
void UpdateCrc(const u8* buffer, i32 length, u32* crc);

}  // namespace decode
