// CRC-32: table built at start-up (no file bytes), bytewise step.
#include "decode/crc32.h"

#include "startup/setup_state.h"

namespace decode {

using startup::g_Setup;

void BuildCrcTable() {
  for (u32 i = 0; i < kCrcTableEntries; ++i) {
    u32 x = i;
    for (int k = 0; k < 8; ++k) x = (x & 1) ? (x >> 1) ^ kCrcPolynomial : x >> 1;
    g_Setup.CrcTable[i] = x;
  }
}

u32 CrcStep(u8 byte, u32 crc) { return g_Setup.CrcTable[(crc ^ byte) & 0xFF] ^ (crc >> 8); }

void UpdateCrc(const u8* buffer, i32 length, u32* crc) {
  u32 r = *crc;
  for (i32 i = 0; i < length; ++i) r = CrcStep(buffer[i], r);
  *crc = r;
}

}  // namespace decode
