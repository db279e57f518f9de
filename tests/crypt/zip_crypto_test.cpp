// Traditional PKWARE encryption: the key schedule and keystream against an
// independent implementation of the published algorithm (over zlib's CRC
// table), in-place deciphering, and the password check of the 12-byte header.
#include "crypt/zip_crypto.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <cstring>
#include <random>
#include <string>

#include "decode/reference_codecs.h"
#include "support/test_env.h"

namespace {

using startup::g_Setup;

// The published algorithm, written from its description, over zlib's table.
struct ReferenceCipher {
  u32 k[3] = {0x12345678, 0x23456789, 0x34567890};
  static u32 Crc(u32 r, u8 b) { return get_crc_table()[(r ^ b) & 0xFF] ^ (r >> 8); }
  explicit ReferenceCipher(const std::string& password) {
    for (unsigned char c : password) Update(c);
  }
  void Update(u8 plain) {
    k[0] = Crc(k[0], plain);
    k[1] = (k[1] + (k[0] & 0xFF)) * 134775813u + 1;
    k[2] = Crc(k[2], static_cast<u8>(k[1] >> 24));
  }
  u8 Stream() const {
    u32 t = (k[2] & 0xFFFF) | 2;
    return static_cast<u8>((t * (t ^ 1)) >> 8);
  }
  std::string Encrypt(const std::string& plain) {
    std::string out;
    for (unsigned char c : plain) {
      out.push_back(static_cast<char>(c ^ Stream()));
      Update(c);
    }
    return out;
  }
};

// A 24-byte header buffer as extraction fills it: the 12 encrypted bytes read
// into 0..11 and copied to 12..23. The twelfth plain byte is `check`.
std::string EncryptedHeader(const std::string& password, u8 check, unsigned seed) {
  std::string plain = decodetest::MakeData(decodetest::DataKind::Random, 11, seed);
  plain.push_back(static_cast<char>(check));
  return ReferenceCipher(password).Encrypt(plain);
}

struct HeaderBuffer {
  u8 bytes[24];
  explicit HeaderBuffer(const std::string& encrypted) {
    std::memcpy(bytes, encrypted.data(), 12);
    std::memcpy(bytes + 12, encrypted.data(), 12);
  }
};

class ZipCrypto : public testenv::Env {};

TEST_F(ZipCrypto, KeysAndKeystreamFollowThePublishedAlgorithm) {
  for (const char* password : {"", "pw", "Secret Password 123", "\xe4\xf6\xfc\xff"}) {
    SCOPED_TRACE(password);
    zipcrypt::InitKeys(password);
    ReferenceCipher ref(password);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(g_Setup.CipherKeys[i], ref.k[i]);
    for (int n = 0; n < 1000; ++n) {
      ASSERT_EQ(zipcrypt::DecryptByte(), ref.Stream());
      ASSERT_EQ(zipcrypt::DecryptByte(), ref.Stream()) << "DecryptByte must not change the keys";
      u8 b = static_cast<u8>(n * 37);
      zipcrypt::UpdateKeys(b);
      ref.Update(b);
    }
  }
}

TEST_F(ZipCrypto, DecryptBufferIsTheByteByByteDecryption) {
  std::string plain = decodetest::MakeData(decodetest::DataKind::Mixed, 5000, 1);
  std::string cipher = ReferenceCipher("pw").Encrypt(plain);
  zipcrypt::InitKeys("pw");
  std::string buffer = cipher;
  // In two pieces: the keys carry over from the first to the second.
  zipcrypt::DecryptBuffer(reinterpret_cast<u8*>(&buffer[0]), 1234);
  zipcrypt::DecryptBuffer(reinterpret_cast<u8*>(&buffer[1234]), static_cast<u32>(buffer.size() - 1234));
  EXPECT_TRUE(buffer == plain);
  u32 after_buffer[3];
  std::memcpy(after_buffer, g_Setup.CipherKeys, sizeof after_buffer);
  zipcrypt::InitKeys("pw");
  for (unsigned char c : cipher) zipcrypt::UpdateKeys(static_cast<u8>(c ^ zipcrypt::DecryptByte()));
  EXPECT_EQ(std::memcmp(after_buffer, g_Setup.CipherKeys, sizeof after_buffer), 0);
}

// Flag bit 3 set: the check byte is the high byte of the modification time;
// clear: the high byte of the CRC-32. The other one is never looked at.
TEST_F(ZipCrypto, CheckByteComesFromTheTimeWithBit3AndFromTheCrcWithout) {
  const u32 crc = 0xA1B2C3D4, time_date = 0x5A6B7C8D;  // CRC high 0xA1, time high 0x7C
  struct Case {
    const char* name;
    u16 flags;
    u8 check;
    const char* password;
    bool passes;
  } cases[] = {
      {"bit 3 clear, CRC byte, right password", 0x0001, 0xA1, "pw", true},
      {"bit 3 clear, time byte, right password", 0x0001, 0x7C, "pw", false},
      {"bit 3 set, time byte, right password", 0x0009, 0x7C, "pw", true},
      {"bit 3 set, CRC byte (local header has a CRC too)", 0x0009, 0xA1, "pw", false},
      {"bit 3 clear, wrong password", 0x0001, 0xA1, "PW", false},
      {"bit 3 set, wrong password", 0x0009, 0x7C, "pww", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::string encrypted = EncryptedHeader("pw", c.check, 7);
    HeaderBuffer h(encrypted);
    EXPECT_EQ(zipcrypt::CheckEncryptionHeader(h.bytes, 12, c.flags, crc, time_date, c.password), c.passes);
    EXPECT_EQ(std::memcmp(h.bytes + 12, encrypted.data(), 12), 0) << "encrypted copy changed";
  }
}

TEST_F(ZipCrypto, RepeatedChecksOnOneBufferAgree) {
  std::string encrypted = EncryptedHeader("right", 0x42, 3);
  HeaderBuffer h(encrypted);
  const u32 crc = 0x42000000;
  EXPECT_TRUE(zipcrypt::CheckEncryptionHeader(h.bytes, 12, 1, crc, 0, "right"));
  EXPECT_TRUE(zipcrypt::CheckEncryptionHeader(h.bytes, 12, 1, crc, 0, "right"));
  // The decrypted header lands in bytes 0..11.
  ReferenceCipher ref("right");
  std::string plain;
  for (unsigned char c : encrypted) {
    plain.push_back(static_cast<char>(c ^ ref.Stream()));
    ref.Update(static_cast<u8>(plain.back()));
  }
  EXPECT_EQ(std::memcmp(h.bytes, plain.data(), 12), 0);
  // A wrong password, then the right one, on the same buffer.
  EXPECT_FALSE(zipcrypt::CheckEncryptionHeader(h.bytes, 12, 1, crc, 0, "wrong"));
  EXPECT_TRUE(zipcrypt::CheckEncryptionHeader(h.bytes, 12, 1, crc, 0, "right"));
}

TEST_F(ZipCrypto, EmptyPasswordFailsAndLeavesTheKeys) {
  zipcrypt::InitKeys("earlier entry");
  u32 keys[3];
  std::memcpy(keys, g_Setup.CipherKeys, sizeof keys);
  HeaderBuffer h(EncryptedHeader("", 0x00, 4));
  u8 before[24];
  std::memcpy(before, h.bytes, 24);
  EXPECT_FALSE(zipcrypt::CheckEncryptionHeader(h.bytes, 12, 1, 0, 0, ""));
  EXPECT_EQ(std::memcmp(keys, g_Setup.CipherKeys, sizeof keys), 0);
  EXPECT_EQ(std::memcmp(before, h.bytes, 24), 0);
}

// The keys stand right after the header, whether the check passed or not;
// the data follows with that keystream, and starting over would garble it.
TEST_F(ZipCrypto, KeysContinueFromTheHeaderIntoTheData) {
  ReferenceCipher writer("pw");
  std::string header_plain = decodetest::MakeData(decodetest::DataKind::Random, 11, 5) + "\x99";
  std::string data = "the entry's data, right behind the header";
  std::string encrypted = writer.Encrypt(header_plain + data);
  HeaderBuffer h(encrypted.substr(0, 12));
  ASSERT_TRUE(zipcrypt::CheckEncryptionHeader(h.bytes, 12, 1, 0x99000000, 0, "pw"));
  std::string rest = encrypted.substr(12);
  zipcrypt::DecryptBuffer(reinterpret_cast<u8*>(&rest[0]), static_cast<u32>(rest.size()));
  EXPECT_EQ(rest, data);

  rest = encrypted.substr(12);
  zipcrypt::InitKeys("pw");
  zipcrypt::DecryptBuffer(reinterpret_cast<u8*>(&rest[0]), static_cast<u32>(rest.size()));
  EXPECT_NE(rest, data);

  // A failed check also leaves the keys after the twelfth byte.
  HeaderBuffer again(encrypted.substr(0, 12));
  EXPECT_FALSE(zipcrypt::CheckEncryptionHeader(again.bytes, 12, 1, 0x11000000, 0, "pw"));
  rest = encrypted.substr(12);
  zipcrypt::DecryptBuffer(reinterpret_cast<u8*>(&rest[0]), static_cast<u32>(rest.size()));
  EXPECT_EQ(rest, data);
}

}  // namespace
