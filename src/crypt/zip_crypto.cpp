// Traditional PKWARE encryption: key schedule, keystream byte, in-place
// deciphering and the one-byte password check of an entry's encryption header.
// The key update uses the CRC-32 byte step over CrcTable (no inversion).
#include "crypt/zip_crypto.h"

#include "archive/zip_format.h"
#include "decode/crc32.h"
#include "startup/setup_state.h"

namespace zipcrypt {

using startup::g_Setup;

void InitKeys(const char* password) {
  g_Setup.CipherKeys[0] = kKey0Start;
  g_Setup.CipherKeys[1] = kKey1Start;
  g_Setup.CipherKeys[2] = kKey2Start;
  for (; *password; ++password) UpdateKeys(static_cast<u8>(*password));
}

void UpdateKeys(u8 plain) {
  u32* keys = g_Setup.CipherKeys;
  keys[0] = decode::CrcStep(plain, keys[0]);
  keys[1] = (keys[1] + (keys[0] & 0xFF)) * kKey1Multiplier + 1;
  keys[2] = decode::CrcStep(static_cast<u8>(keys[1] >> 24), keys[2]);
}

u8 DecryptByte() {
  u32 t = (g_Setup.CipherKeys[2] & 0xFFFF) | 2;
  return static_cast<u8>((t * (t ^ 1)) >> 8);
}

// The same steps as DecryptByte and UpdateKeys, with the keys and the table held
// in locals for the length of the buffer (this runs over every stored byte).
void DecryptBuffer(u8* buffer, u32 count) {
  const u32* table = g_Setup.CrcTable;
  u32 k0 = g_Setup.CipherKeys[0];
  u32 k1 = g_Setup.CipherKeys[1];
  u32 k2 = g_Setup.CipherKeys[2];
  for (u32 i = 0; i < count; ++i) {
    u32 t = (k2 & 0xFFFF) | 2;
    u8 plain = static_cast<u8>(buffer[i] ^ static_cast<u8>((t * (t ^ 1)) >> 8));
    buffer[i] = plain;
    k0 = table[(k0 ^ plain) & 0xFF] ^ (k0 >> 8);
    k1 = (k1 + (k0 & 0xFF)) * kKey1Multiplier + 1;
    k2 = table[(k2 ^ (k1 >> 24)) & 0xFF] ^ (k2 >> 8);
  }
  g_Setup.CipherKeys[0] = k0;
  g_Setup.CipherKeys[1] = k1;
  g_Setup.CipherKeys[2] = k2;
}

// Format notes: the 12 header bytes are random except the last, which the writer
// sets to the high byte of the CRC-32, or, when flag bit 3 defers the CRC to a
// data descriptor, to the high byte of the MS-DOS modification time. Only that
// byte is compared. Bytes 12..23 keep the encrypted copy so that the check can be
// repeated with other passwords on the same buffer.
bool CheckEncryptionHeader(u8* header, u32 header_length, u16 flags, u32 crc, u32 time_date,
                           const char* password) {
  if (!password || !*password || header_length == 0) return false;
  InitKeys(password);
  for (u32 i = 0; i < header_length; ++i) {
    u8 plain = static_cast<u8>(header[header_length + i] ^ DecryptByte());
    UpdateKeys(plain);
    header[i] = plain;
  }
  u8 check = header[header_length - 1];
  u8 expected = (flags & archive::kFlagDataDescriptor) ? static_cast<u8>(time_date >> 8)
                                                        : static_cast<u8>(crc >> 24);
  return check == expected;
}

}  // namespace zipcrypt
