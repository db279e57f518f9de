// CRC-32: the table, the byte step, and UpdateCrc (eight bytes a step) against
// zlib's crc32, over pieces and at every alignment.
#include "decode/crc32.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <random>
#include <string>

#include "decode/reference_codecs.h"
#include "support/test_env.h"

namespace {

using startup::g_Setup;

class Crc32 : public testenv::Env {
 protected:
  static u32 Finished(const std::string& data) {
    u32 r = decode::kCrcStart;
    decode::UpdateCrc(reinterpret_cast<const u8*>(data.data()), static_cast<i32>(data.size()), &r);
    return r ^ decode::kCrcStart;
  }
};

TEST_F(Crc32, TableIsTheStandardReflectedTable) {
  const z_crc_t* zlib_table = get_crc_table();
  for (u32 i = 0; i < 256; ++i) ASSERT_EQ(g_Setup.CrcTable[i], zlib_table[i]) << i;
}

TEST_F(Crc32, ByteStepHasNoInversion) {
  EXPECT_EQ(decode::CrcStep(0, 0), 0u);
  EXPECT_EQ(decode::CrcStep(1, 0), g_Setup.CrcTable[1]);
  EXPECT_EQ(decode::CrcStep(0x12, 0xABCDEF00), g_Setup.CrcTable[0x12] ^ 0x00ABCDEF);
}

TEST_F(Crc32, KnownAnswers) {
  EXPECT_EQ(Finished(""), 0u);
  EXPECT_EQ(Finished("123456789"), 0xCBF43926u);
  EXPECT_EQ(Finished("The quick brown fox jumps over the lazy dog"), 0x414FA339u);
}

// Every length 0..100 at every start alignment 0..7, against zlib and against
// the bytewise step.
TEST_F(Crc32, MatchesZlibAndTheByteStepAtEveryLengthAndAlignment) {
  std::string data = decodetest::MakeData(decodetest::DataKind::Random, 120, 1);
  for (size_t offset = 0; offset < 8; ++offset)
    for (size_t length = 0; length <= 100; ++length) {
      std::string piece = data.substr(offset, length);
      u32 bytewise = decode::kCrcStart;
      for (unsigned char c : piece) bytewise = decode::CrcStep(c, bytewise);
      ASSERT_EQ(Finished(piece), decodetest::ZlibCrc(piece)) << offset << " " << length;
      ASSERT_EQ(Finished(piece), bytewise ^ decode::kCrcStart);
    }
}

TEST_F(Crc32, PiecesGiveTheSameRegisterAsTheWhole) {
  std::string data = decodetest::MakeData(decodetest::DataKind::Mixed, 70000, 2);
  std::mt19937 rng(3);
  for (int round = 0; round < 50; ++round) {
    u32 r = decode::kCrcStart;
    size_t at = 0;
    while (at < data.size()) {
      size_t n = std::min<size_t>(data.size() - at, rng() % 40000);
      decode::UpdateCrc(reinterpret_cast<const u8*>(data.data() + at), static_cast<i32>(n), &r);
      at += n;
    }
    ASSERT_EQ(r ^ decode::kCrcStart, decodetest::ZlibCrc(data));
  }
}

TEST_F(Crc32, LengthZeroOrBelowChangesNothing) {
  const u8 bytes[4] = {1, 2, 3, 4};
  for (i32 length : {0, -1, -100000}) {
    u32 r = 0x12345678;
    decode::UpdateCrc(bytes, length, &r);
    EXPECT_EQ(r, 0x12345678u);
  }
}

}  // namespace
