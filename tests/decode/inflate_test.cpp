// The decoder on hand-built streams: block types, the window and its flushes,
// back-references across the window's end and into earlier blocks, the dynamic
// header's corner cases, and the ways decoding must end: damaged data, data
// that runs out, a full disk, no memory.
#include "decode/inflate.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "decode/decode_harness.h"
#include "decode/deflate_format.h"
#include "decode/reference_codecs.h"
#include "platform/posix/standin.h"
#include "support/bit_writer.h"

namespace {

using decodetest::Inflate;
using decodetest::Outcome;
using testenv::BitWriter;

// The output a back-reference gives, byte by byte.
void Match(std::string* out, unsigned length, unsigned distance) {
  for (unsigned i = 0; i < length; ++i) out->push_back((*out)[out->size() - distance]);
}

std::string RandomBytes(size_t size, unsigned seed) {
  return decodetest::MakeData(decodetest::DataKind::Random, size, seed);
}

// A dynamic code with its canonical codes, for writing a block's body.
struct DynamicCode {
  std::vector<unsigned> lit, dist;
  std::vector<std::uint32_t> lit_codes, dist_codes;
  DynamicCode(std::vector<unsigned> l, std::vector<unsigned> d)
      : lit(std::move(l)), dist(std::move(d)), lit_codes(testenv::CanonicalCodes(lit)),
        dist_codes(testenv::CanonicalCodes(dist)) {}
  void Header(BitWriter& w, bool final_block) const { w.DynamicHeader(final_block, lit, dist); }
  void Symbol(BitWriter& w, unsigned s) const { w.Code(lit_codes[s], lit[s]); }
  void Distance(BitWriter& w, unsigned s) const { w.Code(dist_codes[s], dist[s]); }
  void Literals(BitWriter& w, const std::string& bytes) const {
    for (unsigned char c : bytes) Symbol(w, c);
  }
  void MatchCode(BitWriter& w, unsigned length, unsigned distance) const {
    BitWriter::Symbol l = BitWriter::LengthSymbol(length);
    Symbol(w, l.symbol);
    w.Bits(l.extra, l.extra_bits);
    BitWriter::Symbol d = BitWriter::DistanceSymbol(distance);
    Distance(w, d.symbol);
    w.Bits(d.extra, d.extra_bits);
  }
  void End(BitWriter& w) const { Symbol(w, 256); }
};

// Literal/length code, complete: bytes 9 bits; over 286 symbols 256 and 257
// 5 bits and 258..285 6 bits, over 288 symbols 256..287 6 bits. Distances:
// `dist_count` codes of 5 bits.
DynamicCode TypicalCode(unsigned lit_count = 286, unsigned dist_count = 30) {
  std::vector<unsigned> lit(lit_count, 0);
  for (unsigned s = 0; s < 256; ++s) lit[s] = 9;
  lit[256] = lit[257] = 5;
  for (unsigned s = 258; s < 286; ++s) lit[s] = 6;
  if (lit_count == 288)
    for (unsigned s = 256; s < 288; ++s) lit[s] = 6;
  return DynamicCode(lit, std::vector<unsigned>(dist_count, 5));
}

class InflateTest : public testenv::Env {
 protected:
  Outcome Run(const std::string& stream) { return Inflate(root_, stream); }
  void ExpectOutput(const std::string& stream, const std::string& expected) {
    Outcome got = Run(stream);
    EXPECT_EQ(got.output.size(), expected.size());
    EXPECT_TRUE(got.output == expected);
    EXPECT_EQ(got.crc, decodetest::ZlibCrc(got.output)) << "RunningCrc covers exactly what was written";
    EXPECT_FALSE(got.write_failed);
  }
};

TEST_F(InflateTest, StoredBlocks) {
  struct Case {
    const char* name;
    std::string stream;
    std::string expected;
  } cases[] = {
      {"one final stored block", BitWriter().Stored(true, "hello").Finish(), "hello"},
      {"LEN 0, then the next header right after NLEN",
       BitWriter().Stored(false, "").Header(true, 1).FixedLiteral('x').FixedEnd().Finish(), "x"},
      {"bits left over before it are dropped to the byte boundary",
       BitWriter().Header(false, 1).FixedLiteral('a').FixedEnd().Stored(true, "bc").Finish(), "abc"},
      {"wrong NLEN ends decoding; the window is dropped",
       BitWriter().Stored(false, "kept?").Stored(true, "abc", 0x1234).Finish(), ""},
      {"stored bytes are history for back-references",
       BitWriter().Stored(false, "abcdef").Header(true, 1).FixedMatch(6, 6).FixedEnd().Finish(), "abcdefabcdef"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ExpectOutput(c.stream, c.expected);
  }
}

TEST_F(InflateTest, FixedBlockWithOnlyEndOfBlockWritesNothing) {
  Outcome got = Run(BitWriter().Header(true, 1).FixedEnd().Finish());
  EXPECT_EQ(got.output, "");
  EXPECT_EQ(got.crc, 0u);  // RunningCrc still at its start value
}

TEST_F(InflateTest, DistanceOneLength258RepeatsThePreviousByte) {
  ExpectOutput(BitWriter().Header(true, 1).FixedLiteral('z').FixedMatch(258, 1).FixedEnd().Finish(),
               std::string(259, 'z'));
}

TEST_F(InflateTest, FixedTablesAreBuiltOncePerEntry) {
  auto blocks = [](int n) {
    BitWriter w;
    for (int i = 0; i < n; ++i) w.Header(i == n - 1, 1).FixedLiteral('a' + i).FixedMatch(3, 1).FixedEnd();
    return w.Finish();
  };
  long before = standin::AllocationCount();
  ExpectOutput(blocks(1), "aaaa");
  long one_block = standin::AllocationCount() - before;
  before = standin::AllocationCount();
  ExpectOutput(blocks(3), "aaaabbbbcccc");
  EXPECT_EQ(standin::AllocationCount() - before, one_block);
}

// Back-references whose destination or source crosses the window's end, and
// ones that reach into earlier blocks up to 32768 bytes back.
TEST_F(InflateTest, BackReferencesAcrossTheWindowEndAndIntoEarlierBlocks) {
  std::string expected = RandomBytes(32700, 1);
  BitWriter w;
  w.Stored(false, expected.substr(0, 30000)).Stored(false, expected.substr(30000)).Header(true, 1);
  auto match = [&](unsigned length, unsigned distance) {
    w.FixedMatch(length, distance);
    Match(&expected, length, distance);
  };
  match(258, 1000);   // destination crosses 32768
  match(100, 30);     // overlapping its own output right after the flush
  match(258, 200);    // source crosses 32768 (window positions 32xxx to 0..)
  match(258, 32768);  // the whole window back: into the first stored block
  for (int i = 0; i < 200; ++i) match(258, 32768 - i * 97);  // fill past a second flush
  match(3, 32768);
  w.FixedEnd();
  ASSERT_GT(expected.size(), 2u * 32768);
  ExpectOutput(w.Finish(), expected);
}

TEST_F(InflateTest, DistanceBeforeTheEntrysFirstByteIsDamage) {
  struct Case {
    const char* name;
    unsigned distance;
    std::string expected;
  } cases[] = {
      {"reaches exactly the first byte", 2, "ababa"},
      {"reaches one byte before it", 3, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ExpectOutput(
        BitWriter().Header(true, 1).FixedLiteral('a').FixedLiteral('b').FixedMatch(3, c.distance).FixedEnd().Finish(),
        c.expected);
  }
  // After a full window every distance has history.
  std::string first = RandomBytes(32768, 2), expected = first;
  Match(&expected, 10, 32768);
  ExpectOutput(BitWriter().Stored(false, first).Header(true, 1).FixedMatch(10, 32768).FixedEnd().Finish(), expected);
}

TEST_F(InflateTest, DamagedBlocksEndDecodingAndKeepWhatWasFlushed) {
  std::string first = RandomBytes(32768 + 500, 3);
  struct Case {
    const char* name;
    std::string tail;  // after a non-final stored block of 33268 bytes
  } cases[] = {
      {"reserved block type", BitWriter().Header(true, 3).Finish()},
      {"stored block with a wrong NLEN", BitWriter().Stored(true, "abc", 0).Finish()},
      {"invalid fixed literal/length symbol 286", BitWriter().Header(true, 1).FixedLiteral(286).Finish()},
      {"invalid fixed distance symbol 30", BitWriter().Header(true, 1).FixedLiteral(257).Code(30, 5).Finish()},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::string stream = BitWriter().Stored(false, first).Finish() + c.tail;
    ExpectOutput(stream, first.substr(0, 32768));  // the first flush only
  }
}

// Decoding ends once it drops bits past the entry's data: filler one-bits are
// never taken as codes, even where they would decode (as literal 255 in a fixed
// block, or as an end-of-block code).
TEST_F(InflateTest, BitsPastTheEntrysDataAreNeverTakenAsCodes) {
  std::string first = RandomBytes(32768, 4);
  // A fixed block that is cut short: the flushed window stays, nothing more.
  std::string stream = BitWriter().Stored(false, first).Header(true, 1).FixedLiteral('q').Finish();
  ExpectOutput(stream, first);

  // Literal 'a' is the 1-bit code 0 and end-of-block the 1-bit code 1; the
  // padding after the last 'a' decodes as more 'a', and the filler after it
  // would give the end-of-block code.
  std::vector<unsigned> lit(257, 0);
  lit['a'] = 1;
  lit[256] = 1;
  DynamicCode code(lit, {0});
  BitWriter whole, cut;
  for (BitWriter* w : {&whole, &cut}) {
    code.Header(*w, true);
    code.Literals(*w, "aaa");
  }
  code.End(whole);
  ExpectOutput(whole.Finish(), "aaa");
  std::string control;
  EXPECT_FALSE(decodetest::ZlibRawInflate(cut.Finish(), &control));
  ExpectOutput(cut.Finish(), "");
}

TEST_F(InflateTest, DynamicBlockCornerCases) {
  DynamicCode typical = TypicalCode();
  struct Case {
    const char* name;
    std::string stream;
    std::string expected;
  };
  std::vector<Case> cases;
  {
    // Two distance codes of length 2 (incomplete): accepted.
    std::vector<unsigned> lit = typical.lit;
    DynamicCode c(lit, {2, 2});
    BitWriter w;
    c.Header(w, true);
    c.Literals(w, "ab");
    c.MatchCode(w, 3, 2);
    c.MatchCode(w, 4, 1);
    c.End(w);
    std::string expected = "ab";
    Match(&expected, 3, 2);
    Match(&expected, 4, 1);
    cases.push_back({"incomplete distance code decodes", w.Finish(), expected});
  }
  {
    std::vector<unsigned> lit = typical.lit;
    lit[285] = 0;  // one 6-bit code missing: incomplete
    DynamicCode c(lit, {5});
    BitWriter w;
    c.Header(w, true);
    c.Literals(w, "ab");
    c.End(w);
    cases.push_back({"incomplete literal/length code ends decoding", w.Finish(), ""});
  }
  {
    DynamicCode c(typical.lit, {0});
    BitWriter w;
    c.Header(w, true);
    c.Literals(w, "abc");
    c.End(w);
    cases.push_back({"no distance codes, literals only", w.Finish(), "abc"});
    BitWriter m;
    c.Header(m, true);
    c.Literals(m, "abc");
    c.Symbol(m, 257);  // a length, with no distance code to follow
    c.End(m);
    cases.push_back({"no distance codes, then a length", m.Finish(), ""});
  }
  {
    // The lengths of the 'a'/end-of-block code, sent with repeats; a 16 at the
    // very start repeats the length 0.
    std::vector<BitWriter::CodeLengthSymbol> symbols = {
        {16, 0},        // 3 zeros (previous length starts at 0)
        {18, 94 - 11},  // 94 zeros: symbols 0..96 have no code
        {1, 0},         // 'a'
        {18, 127},      // 138 zeros
        {18, 20 - 11},  // 20 zeros: up to 255
        {1, 0},         // end of block
        {0, 0},         // the one distance length
    };
    std::vector<unsigned> lit(257, 0);
    lit['a'] = lit[256] = 1;
    DynamicCode c(lit, {0});
    BitWriter w;
    w.DynamicHeader(true, 257, 1, symbols);
    c.Literals(w, "aa");
    c.End(w);
    cases.push_back({"repeat code 16 at the start repeats zeros", w.Finish(), "aa"});
    BitWriter over;
    symbols[4] = {18, 21 - 11};  // one zero too many: runs past the 258 lengths
    over.DynamicHeader(true, 257, 1, symbols);
    cases.push_back({"a repeat past the total count is damage", over.Finish() + std::string(8, '\0'), ""});
  }
  {
    // HDIST 31: 32 distance codes, 30 and 31 with lengths. A block that uses
    // only the valid ones decodes (shown by the next block); one that uses 30 ends.
    DynamicCode c = TypicalCode(286, 32);
    BitWriter w;
    c.Header(w, false);
    c.Literals(w, "x");
    c.MatchCode(w, 3, 1);
    c.End(w);
    w.Header(true, 1).FixedLiteral('y').FixedEnd();
    cases.push_back({"HDIST 31 decodes until symbol 30 occurs", w.Finish(), "xxxxy"});
    BitWriter bad;
    c.Header(bad, true);
    c.Literals(bad, "x");
    c.Symbol(bad, 257);
    c.Distance(bad, 30);
    c.End(bad);
    cases.push_back({"distance symbol 30 ends decoding", bad.Finish(), ""});
  }
  {
    DynamicCode c = TypicalCode(288, 30);
    BitWriter w;
    c.Header(w, true);
    c.Literals(w, "ok");
    c.End(w);
    cases.push_back({"HLIT 31 is accepted", w.Finish(), "ok"});
    BitWriter bad;
    c.Header(bad, true);
    c.Literals(bad, "x");
    c.Symbol(bad, 286);
    c.End(bad);
    cases.push_back({"literal/length symbol 286 ends decoding", bad.Finish(), ""});
  }
  {
    // Every code-length code length 0: no table to look the lengths up in.
    BitWriter w;
    w.Header(true, 2).Bits(0, 5).Bits(0, 5).Bits(15, 4);
    for (int i = 0; i < 19; ++i) w.Bits(0, 3);
    cases.push_back({"empty code-length code", w.Finish() + std::string(40, '\0'), ""});
  }
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ExpectOutput(c.stream, c.expected);
  }
}

class InflateFailures : public InflateTest {
 protected:
  void SetUp() override {
    InflateTest::SetUp();
    data_ = decodetest::MakeData(decodetest::DataKind::Text, 100000, 8);
    stream_ = decodetest::ZlibRawDeflate(data_, 6);
  }
  std::string data_, stream_;
};

// A full disk: RunningCrc covers only what the writes took, the short write is
// noted, and decoding stops there.
TEST_F(InflateFailures, ShortWriteFailsTheEntry) {
  standin::LimitDiskSpace(40000);
  Outcome got = Run(stream_);
  EXPECT_TRUE(got.write_failed);
  EXPECT_EQ(got.output, data_.substr(0, 40000));
  EXPECT_EQ(got.crc, decodetest::ZlibCrc(data_.substr(0, 40000)));
  EXPECT_NE(got.crc, decodetest::ZlibCrc(data_));
}

// A package that stops delivering: decoding ends, with what was flushed.
TEST_F(InflateFailures, ReadThatDeliversNothingEndsDecoding) {
  for (long long limit : {0LL, 1LL, 5000LL, static_cast<long long>(stream_.size()) - 1}) {
    SCOPED_TRACE(limit);
    standin::LimitReads(limit);
    Outcome got = Run(stream_);
    standin::LimitReads(-1);
    EXPECT_LT(got.output.size(), data_.size());
    EXPECT_EQ(got.output, data_.substr(0, got.output.size()));
    EXPECT_EQ(got.output.size() % 32768, 0u) << "only whole windows were flushed";
    EXPECT_EQ(got.compressed_left, 0);
  }
}

TEST_F(InflateFailures, NoMemoryEndsDecodingAndFreesEverything) {
  long long heap_before = standin::HeapInUse();
  for (long fail_after : {0L, 1L, 2L, 3L, 4L}) {
    SCOPED_TRACE(fail_after);
    standin::FailAllocationAfter(fail_after);
    Outcome got = Run(stream_);
    standin::FailAllocationAfter(-1);
    EXPECT_EQ(got.output, "");
    EXPECT_EQ(got.write_failed, fail_after < 2) << "the two buffers come first";
    EXPECT_EQ(standin::HeapInUse(), heap_before);
  }
}

// CompressedLeft of 0 or below: nothing is read, nothing written.
TEST_F(InflateFailures, NothingLeftToReadDecodesNothing) {
  for (i32 left : {0, -3}) {
    SCOPED_TRACE(left);
    decodetest::Outcome got = decodetest::RunEntry(root_, decodetest::Method::Deflated, stream_, false, left);
    EXPECT_EQ(got.output, "");
    EXPECT_EQ(got.crc, 0u);
  }
}

TEST_F(InflateFailures, DataAfterTheFinalBlockIsIgnored) {
  ExpectOutput(stream_ + RandomBytes(70000, 9), data_);
}

TEST_F(InflateFailures, PeakHeapOfOneEntryStaysSmallAndNothingLeaks) {
  std::string mixed = decodetest::MakeData(decodetest::DataKind::Mixed, 300000, 10);
  long long heap_before = standin::HeapInUse();
  standin::ResetHeapPeak();
  ExpectOutput(decodetest::ZlibRawDeflate(mixed, 9), mixed);
  EXPECT_LE(standin::HeapPeak() - heap_before, 128 * 1024);
  EXPECT_EQ(standin::HeapInUse(), heap_before);
}

}  // namespace
