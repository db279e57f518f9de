// CRC-32 of ZIP archives. CrcTable (heap, 256 entries) holds the remainder of each
// byte value; CrcStep runs one byte through it. UpdateCrc takes eight bytes per
// step ("slicing by 8") with seven more tables derived from CrcTable: entry i of
// slice k is the remainder of byte i followed by k zero bytes. Same results as
// the bytewise step, one table lookup per byte.
#include "decode/crc32.h"

#include "startup/setup_state.h"

namespace decode {

using startup::g_Setup;

namespace {
// Built by BuildCrcTable into zero-initialised storage (no file bytes), read-only after.
u32 g_CrcSlices[7][kCrcTableEntries];

inline u32 Load32(const u8* p) {
  u32 word;
  __builtin_memcpy(&word, p, 4);
  return word;
}
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ != __ORDER_LITTLE_ENDIAN__
#error "UpdateCrc loads words little-endian"
#endif
}  // namespace

void BuildCrcTable() {
  u32* table = g_Setup.CrcTable;
  for (u32 i = 0; i < kCrcTableEntries; ++i) {
    u32 x = i;
    for (int k = 0; k < 8; ++k) x = (x & 1) ? (x >> 1) ^ kCrcPolynomial : x >> 1;
    table[i] = x;
  }
  for (u32 i = 0; i < kCrcTableEntries; ++i) {
    u32 x = table[i];
    for (auto& slice : g_CrcSlices) slice[i] = x = table[x & 0xFF] ^ (x >> 8);
  }
}

u32 CrcStep(u8 byte, u32 crc) { return g_Setup.CrcTable[(crc ^ byte) & 0xFF] ^ (crc >> 8); }

void UpdateCrc(const u8* buffer, i32 length, u32* crc) {
  const u32* t0 = g_Setup.CrcTable;
  const u32(*t)[kCrcTableEntries] = g_CrcSlices;
  u32 r = *crc;
  for (; length >= 8; length -= 8, buffer += 8) {
    u32 low = Load32(buffer) ^ r;
    u32 high = Load32(buffer + 4);
    r = t[6][low & 0xFF] ^ t[5][(low >> 8) & 0xFF] ^ t[4][(low >> 16) & 0xFF] ^ t[3][low >> 24] ^
        t[2][high & 0xFF] ^ t[1][(high >> 8) & 0xFF] ^ t[0][(high >> 16) & 0xFF] ^ t0[high >> 24];
  }
  for (; length > 0; --length) r = t0[(r ^ *buffer++) & 0xFF] ^ (r >> 8);
  *crc = r;
}

}  // namespace decode
