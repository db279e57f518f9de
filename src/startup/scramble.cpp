// UnscrambleText: a linear congruential generator (multiplier 134775813, increment
// 1, modulus 2^32) seeded with 947 for every text; each key byte is the top seven
// bits of the new state with the top bit forced on. Byte 0 is never changed.
#include "startup/scramble.h"

namespace startup {

void UnscrambleText(char* text, i32 n) {
  u32 seed = kScrambleSeed;
  for (i32 i = 1; i < n; ++i) {
    seed = seed * kScrambleMultiplier + 1;
    // The upper 32 bits of the 64-bit product seed x 128: seed >> 25, 0 to 127.
    u8 key = static_cast<u8>((seed >> 25) | 0x80);
    text[i] = static_cast<char>(static_cast<u8>(text[i]) ^ key);
  }
}

}  // namespace startup
