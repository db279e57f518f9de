// Known-answer and differential tests of the decoder against streams that zlib
// and libdeflate make: every zlib level and strategy, every libdeflate level,
// and damaged streams, which must end without a crash or hang, and whenever
// zlib accepts them, give zlib's bytes.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <tuple>

#include "decode/decode_harness.h"
#include "decode/reference_codecs.h"

namespace {

using decodetest::DataKind;

// 100 000 bytes: three full windows and a partial one.
constexpr size_t kVectorSize = 100000;

const DataKind kKinds[] = {DataKind::Random, DataKind::Text, DataKind::Runs, DataKind::Mixed};

class ReferenceStreams : public testenv::Env {
 protected:
  void ExpectDecodes(const std::string& stream, const std::string& data) {
    decodetest::Outcome got = decodetest::Inflate(root_, stream);
    ASSERT_EQ(got.output.size(), data.size());
    EXPECT_TRUE(got.output == data) << "bytes differ";
    EXPECT_EQ(got.crc, decodetest::ZlibCrc(data));
    EXPECT_FALSE(got.write_failed);
  }
};

struct ZlibCase {
  int level;
  int strategy;
  const char* name;
};

class ZlibVectors : public ReferenceStreams, public ::testing::WithParamInterface<ZlibCase> {};

TEST_P(ZlibVectors, DecodeByteIdenticalWithTheRightCrc) {
  for (DataKind kind : kKinds) {
    SCOPED_TRACE(decodetest::DataKindName(kind));
    std::string data = decodetest::MakeData(kind, kVectorSize, 7 + static_cast<unsigned>(kind));
    ExpectDecodes(decodetest::ZlibRawDeflate(data, GetParam().level, GetParam().strategy), data);
  }
}

std::vector<ZlibCase> AllZlibCases() {
  const std::pair<int, const char*> strategies[] = {{Z_DEFAULT_STRATEGY, "default"},
                                                    {Z_FILTERED, "filtered"},
                                                    {Z_HUFFMAN_ONLY, "huffman_only"},
                                                    {Z_RLE, "rle"},
                                                    {Z_FIXED, "fixed"}};
  std::vector<ZlibCase> cases;
  for (int level = 0; level <= 9; ++level)
    for (auto& s : strategies) cases.push_back({level, s.first, s.second});
  return cases;
}

INSTANTIATE_TEST_SUITE_P(AllLevelsAndStrategies, ZlibVectors, ::testing::ValuesIn(AllZlibCases()),
                         [](const ::testing::TestParamInfo<ZlibCase>& info) {
                           return "level" + std::to_string(info.param.level) + "_" + info.param.name;
                         });

class LibdeflateVectors : public ReferenceStreams, public ::testing::WithParamInterface<int> {};

TEST_P(LibdeflateVectors, DecodeByteIdenticalWithTheRightCrc) {
  for (DataKind kind : kKinds) {
    SCOPED_TRACE(decodetest::DataKindName(kind));
    std::string data = decodetest::MakeData(kind, kVectorSize, 11 + static_cast<unsigned>(kind));
    ExpectDecodes(decodetest::LibdeflateRaw(data, GetParam()), data);
  }
}

INSTANTIATE_TEST_SUITE_P(Levels1To12, LibdeflateVectors, ::testing::Range(1, 13),
                         [](const ::testing::TestParamInfo<int>& info) {
                           return "level" + std::to_string(info.param);
                         });

// Sizes around the window: empty, one byte, exact multiples of 32 KiB (written
// in full pieces only) and one byte either side of them.
TEST_F(ReferenceStreams, SizesAroundTheWindowBoundary) {
  for (size_t size : {size_t{0}, size_t{1}, size_t{32767}, size_t{32768}, size_t{32769}, size_t{65536},
                      size_t{98304}, size_t{98305}}) {
    SCOPED_TRACE(size);
    std::string data = decodetest::MakeData(DataKind::Mixed, size, static_cast<unsigned>(size));
    for (int level : {0, 1, 6, 9}) ExpectDecodes(decodetest::ZlibRawDeflate(data, level), data);
    ExpectDecodes(decodetest::LibdeflateRaw(data, 12), data);
  }
}

// Generated inputs of every kind and many sizes, compressed by zlib with a
// random level, strategy and memory level: same bytes as the input.
TEST_F(ReferenceStreams, DifferentialAgainstZlib) {
  std::mt19937 rng(2024);
  const int strategies[] = {Z_DEFAULT_STRATEGY, Z_FILTERED, Z_HUFFMAN_ONLY, Z_RLE, Z_FIXED};
  for (int round = 0; round < 60; ++round) {
    DataKind kind = kKinds[rng() % 4];
    size_t size = rng() % 3 == 0 ? rng() % 2000 : rng() % 200000;
    std::string data = decodetest::MakeData(kind, size, rng());
    int level = static_cast<int>(rng() % 10);
    int strategy = strategies[rng() % 5];
    int mem_level = 1 + static_cast<int>(rng() % 9);
    SCOPED_TRACE(testing::Message() << "round " << round << " kind " << decodetest::DataKindName(kind) << " size "
                                    << size << " level " << level << " strategy " << strategy << " memLevel "
                                    << mem_level);
    ExpectDecodes(decodetest::ZlibRawDeflate(data, level, strategy, mem_level), data);
  }
}

// Damaged streams: valid streams with flipped bits, truncated or extended, and
// plain random bytes. Decoding must end; when zlib decodes the stream to its
// end, ours gives the same bytes and CRC. The ASan build runs this too.
TEST_F(ReferenceStreams, DamagedStreamsEndAndAgreeWithZlibWhenItAccepts) {
  std::mt19937 rng(99);
  int agreed = 0;
  for (int round = 0; round < 1500; ++round) {
    std::string stream;
    switch (round % 3) {
      case 0: {
        std::string data = decodetest::MakeData(kKinds[rng() % 4], rng() % 5000, rng());
        stream = decodetest::ZlibRawDeflate(data, static_cast<int>(rng() % 10));
        int flips = 1 + static_cast<int>(rng() % 4);
        for (int i = 0; i < flips && !stream.empty(); ++i) stream[rng() % stream.size()] ^= static_cast<char>(1u << (rng() % 8));
        if (rng() % 4 == 0 && !stream.empty()) stream.resize(rng() % stream.size());
        break;
      }
      case 1: {
        std::string data = decodetest::MakeData(kKinds[rng() % 4], rng() % 3000, rng());
        stream = decodetest::LibdeflateRaw(data, 1 + static_cast<int>(rng() % 12));
        if (!stream.empty()) stream[rng() % stream.size()] = static_cast<char>(rng());
        break;
      }
      default:
        stream = decodetest::MakeData(DataKind::Random, rng() % 400, rng());
        break;
    }
    SCOPED_TRACE(round);
    decodetest::Outcome got = decodetest::Inflate(root_, stream);
    std::string expected;
    if (decodetest::ZlibRawInflate(stream, &expected)) {
      ++agreed;
      ASSERT_EQ(got.output.size(), expected.size());
      EXPECT_TRUE(got.output == expected);
      EXPECT_EQ(got.crc, decodetest::ZlibCrc(expected));
    }
  }
  EXPECT_GT(agreed, 300);  // the comparison above really ran
}

}  // namespace
