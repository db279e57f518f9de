// Traditional PKWARE encryption (ZipCrypto): three 32-bit keys initialised from the
// password and advanced by every plain byte; a keystream byte from key 2 is XORed
// with every stored byte. Each encrypted entry's data starts with a 12-byte header
// whose last byte, deciphered, checks the password.
#pragma once

#include "platform/types.h"

namespace zipcrypt {

constexpr u32 kKey0Start = 0x12345678;
constexpr u32 kKey1Start = 0x23456789;
constexpr u32 kKey2Start = 0x34567890;
constexpr u32 kKey1Multiplier = 134775813;

// g_Setup.CipherKeys := start values, then UpdateKeys with every password byte.
void InitKeys(const char* password);
// Advances g_Setup.CipherKeys by one plain byte.
void UpdateKeys(u8 plain);
// The next keystream byte; the keys do not change.
u8 DecryptByte();
// Deciphers `count` bytes in place, first to last: c ^ DecryptByte(), then
// UpdateKeys with the plain byte.
void DecryptBuffer(u8* buffer, u32 count);
// `header` is 24 bytes: 12..23 hold the encrypted header as read and are never
// changed; 0..11 receive the deciphered bytes. True when the last deciphered byte
// equals the high byte of the time (flag bit 3 set) or of the CRC (bit 3 clear).
// An empty password returns false without touching the keys. Leaves the keys
// standing right after the header.
bool CheckEncryptionHeader(u8* header, u32 header_length, u16 flags, u32 crc, u32 time_date,
                           const char* password);

}  // namespace zipcrypt
