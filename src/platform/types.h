// Fixed-width integer aliases used throughout the stub and the packer.
// Win32 types (DWORD, HANDLE) appear only at calls into the platform layer.
#pragma once

#include <cstddef>
#include <cstdint>

using u8 = std::uint8_t;
using u16 = std::uint16_t;
using u32 = std::uint32_t;
using u64 = std::uint64_t;
using i8 = std::int8_t;
using i16 = std::int16_t;
using i32 = std::int32_t;
using i64 = std::int64_t;

// Little-endian field readers for the package and ZIP formats.
inline u16 ReadLe16(const u8* p) { return static_cast<u16>(p[0] | (p[1] << 8)); }
inline u32 ReadLe32(const u8* p) {
  return static_cast<u32>(p[0]) | (static_cast<u32>(p[1]) << 8) | (static_cast<u32>(p[2]) << 16) |
         (static_cast<u32>(p[3]) << 24);
}
