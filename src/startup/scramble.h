// Reversible scrambling of the package's information, welcome and licence texts
// and of the built-in notice.
#pragma once

#include "platform/types.h"
#include "startup/package_format.h"

namespace startup {

// Changes bytes 1 .. n-1 of `text` in place; byte 0 and texts with n <= 1 stay.
// Its own inverse. `text` must hold at least n bytes (the caller guarantees it).
void UnscrambleText(char* text, i32 n);

// The same key stream, evaluated at compile time, so that constants can be stored
// scrambled: the image then holds no plain copy of them.
template <u32 N>
struct ScrambledText {
  char bytes[N];
};
template <u32 N>
constexpr ScrambledText<N> ScrambleAtCompileTime(const char (&plain)[N], u32 n) {
  ScrambledText<N> out{};
  u32 seed = kScrambleSeed;
  for (u32 i = 0; i < N; ++i) out.bytes[i] = plain[i];
  for (u32 i = 1; i < n && i < N; ++i) {
    seed = seed * kScrambleMultiplier + 1;
    out.bytes[i] = static_cast<char>(static_cast<u8>(plain[i]) ^ ((seed >> 25) | 0x80));
  }
  return out;
}

}  // namespace startup
