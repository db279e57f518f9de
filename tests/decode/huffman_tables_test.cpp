// The table builder: statuses, returned widths, invalid fill entries, links to
// sub-tables, and the release list (also when memory runs out mid-build).
#include "decode/huffman_tables.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "decode/deflate_format.h"
#include "platform/posix/standin.h"
#include "support/bit_writer.h"
#include "support/test_env.h"

namespace {

using decode::BuildDecodeTables;
using decode::DecodeEntry;
using decode::ReleaseDecodeTables;

struct Built {
  int status;
  DecodeEntry* root;
  u32 width;
};

class HuffmanTables : public testenv::Env {
 protected:
  void TearDown() override {
    ReleaseDecodeTables(&list_);
    EXPECT_EQ(standin::HeapInUse(), heap_at_start_) << "tables leaked";
    Env::TearDown();
  }
  void SetUp() override {
    Env::SetUp();
    heap_at_start_ = standin::HeapInUse();
  }
  // Symbols below `simple` are literals; the rest take the length tables
  // (simple 257) or the distance tables (simple 0) as the decoder passes them.
  Built Build(const std::vector<u16>& lengths, u32 simple, u32 width) {
    Built b{};
    b.width = width;
    const u16* base = simple == 0 ? decode::kDistBase : decode::kLengthBase;
    const u8* extra = simple == 0 ? decode::kDistExtra : decode::kLengthExtra;
    b.status = BuildDecodeTables(lengths.data(), static_cast<u32>(lengths.size()), simple, base, extra, &b.root,
                                 &list_, &b.width);
    return b;
  }
  DecodeEntry* list_ = nullptr;
  long long heap_at_start_ = 0;
};

std::vector<u16> FixedLiteralLengths() {
  std::vector<u16> l(288);
  for (u32 s = 0; s < 288; ++s) l[s] = s < 144 ? 8 : s < 256 ? 9 : s < 280 ? 7 : 8;
  return l;
}

// Stream bits of a code given most significant bit first (as canonical codes
// are written): the first bit sent becomes bit 0.
u32 Reversed(u32 code, unsigned length) {
  u32 r = 0;
  for (unsigned i = 0; i < length; ++i) r |= ((code >> (length - 1 - i)) & 1) << i;
  return r;
}

// Walks the tables for the stream bits `bits` as the decoder does; returns the
// final entry and the number of bits that the code took.
DecodeEntry Walk(const DecodeEntry* root, u32 width, u32 bits, unsigned* used) {
  const DecodeEntry* e = &root[bits & ((1u << width) - 1)];
  *used = 0;
  while (e->Operation > decode::kOpLinkBase && e->Operation != decode::kOpInvalid) {
    *used += e->Bits;
    bits >>= e->Bits;
    e = &e->Next[bits & ((1u << (e->Operation - decode::kOpLinkBase)) - 1)];
  }
  *used += e->Bits;
  return *e;
}

// Every symbol with a code decodes from its canonical code, taking exactly its
// length; the entry carries the literal, end-of-block or base/extra of the symbol.
void ExpectEverySymbolDecodes(const std::vector<u16>& lengths, u32 simple, const Built& b) {
  std::vector<unsigned> ls(lengths.begin(), lengths.end());
  std::vector<u32> codes = testenv::CanonicalCodes(ls);
  for (u32 s = 0; s < lengths.size(); ++s) {
    if (!lengths[s]) continue;
    SCOPED_TRACE(testing::Message() << "symbol " << s);
    unsigned used;
    // Bits after the code are set, to show that they are not taken.
    DecodeEntry e = Walk(b.root, b.width, Reversed(codes[s], lengths[s]) | (0xFFFFu << lengths[s]), &used);
    EXPECT_EQ(used, lengths[s]);
    if (s < simple) {
      EXPECT_EQ(e.Operation, s < 256 ? decode::kOpLiteral : decode::kOpEndOfBlock);
      EXPECT_EQ(e.Value, s);
    } else {
      const u8* extra = simple == 0 ? decode::kDistExtra : decode::kLengthExtra;
      const u16* base = simple == 0 ? decode::kDistBase : decode::kLengthBase;
      EXPECT_EQ(e.Operation, extra[s - simple]);
      EXPECT_EQ(e.Value, base[s - simple]);
    }
  }
}

TEST_F(HuffmanTables, AllLengthsZeroBuildNothing) {
  long allocations = standin::AllocationCount();
  Built b = Build(std::vector<u16>(30, 0), 0, 6);
  EXPECT_EQ(b.status, decode::kTableComplete);
  EXPECT_EQ(b.root, nullptr);
  EXPECT_EQ(b.width, 0u);
  EXPECT_EQ(list_, nullptr);
  EXPECT_EQ(standin::AllocationCount(), allocations);
}

TEST_F(HuffmanTables, SingleOneBitCodeIsCompleteWithAnInvalidOtherPattern) {
  std::vector<u16> lengths(30, 0);
  lengths[3] = 1;
  Built b = Build(lengths, 0, 6);
  EXPECT_EQ(b.status, decode::kTableComplete);
  EXPECT_EQ(b.width, 1u);
  ASSERT_NE(b.root, nullptr);
  EXPECT_EQ(b.root[0].Operation, decode::kDistExtra[3]);
  EXPECT_EQ(b.root[0].Value, decode::kDistBase[3]);
  EXPECT_EQ(b.root[0].Bits, 1);
  EXPECT_EQ(b.root[1].Operation, decode::kOpInvalid);
}

TEST_F(HuffmanTables, OverSubscribedCodeAllocatesNothing) {
  // An earlier build's table on the list must stay there, untouched.
  std::vector<u16> one(2, 1);
  ASSERT_EQ(Build(one, 257, 7).status, decode::kTableComplete);
  DecodeEntry* list_before = list_;
  long allocations = standin::AllocationCount();
  struct Case {
    const char* name;
    std::vector<u16> lengths;
  } cases[] = {
      {"three 1-bit codes", {1, 1, 1}},
      {"five 2-bit codes", {2, 2, 2, 2, 2}},
      {"one 1-bit, three 2-bit", {1, 2, 2, 2}},
      {"a length above 16", {17, 1}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Built b = Build(c.lengths, 19, 7);
    EXPECT_EQ(b.status, decode::kTableOverSubscribed);
    EXPECT_EQ(b.root, nullptr);
    EXPECT_EQ(list_, list_before);
    EXPECT_EQ(standin::AllocationCount(), allocations);
  }
}

TEST_F(HuffmanTables, FixedLiteralCodeHasWidth7AndEndOfBlockAtTheRoot) {
  std::vector<u16> lengths = FixedLiteralLengths();
  Built b = Build(lengths, 257, decode::kFixedLitRootBits);
  EXPECT_EQ(b.status, decode::kTableComplete);
  EXPECT_EQ(b.width, 7u);
  // End of block is the 7-bit code 0000000: a root entry of its own.
  EXPECT_EQ(b.root[0].Operation, decode::kOpEndOfBlock);
  EXPECT_EQ(b.root[0].Bits, 7);
  ExpectEverySymbolDecodes(lengths, 257, b);
  // Symbols 286 and 287 have codes but are invalid.
  std::vector<unsigned> ls(lengths.begin(), lengths.end());
  std::vector<u32> codes = testenv::CanonicalCodes(ls);
  for (u32 s : {286u, 287u}) {
    unsigned used;
    EXPECT_EQ(Walk(b.root, b.width, Reversed(codes[s], 8), &used).Operation, decode::kOpInvalid);
  }
}

TEST_F(HuffmanTables, FixedDistanceCodeIsIncompleteWithWidth5) {
  std::vector<u16> lengths(30, 5);
  Built b = Build(lengths, 0, decode::kFixedDistRootBits);
  EXPECT_EQ(b.status, decode::kTableIncomplete);
  EXPECT_EQ(b.width, 5u);
  ExpectEverySymbolDecodes(lengths, 0, b);
  // The patterns 11110 and 11111 have no code: stream bits reversed.
  EXPECT_EQ(b.root[Reversed(30, 5)].Operation, decode::kOpInvalid);
  EXPECT_EQ(b.root[Reversed(31, 5)].Operation, decode::kOpInvalid);
}

TEST_F(HuffmanTables, RequestedWidthIsLoweredToTheLongestCode) {
  std::vector<u16> lengths(19, 0);
  for (u32 s : {0u, 1u, 2u, 3u, 4u, 5u, 6u, 7u}) lengths[s] = 3;
  Built b = Build(lengths, 19, decode::kCodeLengthRootBits);
  EXPECT_EQ(b.status, decode::kTableComplete);
  EXPECT_EQ(b.width, 3u);
  ExpectEverySymbolDecodes(lengths, 19, b);
}

TEST_F(HuffmanTables, RequestedWidthIsRaisedToTheShortestCode) {
  std::vector<u16> lengths(4, 2);
  Built b = Build(lengths, 19, 1);
  EXPECT_EQ(b.status, decode::kTableComplete);
  EXPECT_EQ(b.width, 2u);
}

TEST_F(HuffmanTables, LongCodesSitInSubTablesReachedByLinks) {
  // A complete code with lengths 1..15 (and two of 15): root width 9 leaves
  // codes of 10 to 15 bits to sub-tables.
  std::vector<u16> lengths(30, 0);
  for (u32 s = 0; s < 15; ++s) lengths[s] = static_cast<u16>(s + 1);
  lengths[15] = 15;
  Built b = Build(lengths, 0, 9);
  EXPECT_EQ(b.status, decode::kTableComplete);
  EXPECT_EQ(b.width, 9u);
  ExpectEverySymbolDecodes(lengths, 0, b);
  // The nine one-bits lead to the link: Operation 16 + its width, Bits = 9.
  const DecodeEntry& link = b.root[0x1FF];
  EXPECT_GT(link.Operation, decode::kOpLinkBase);
  EXPECT_LE(link.Operation, decode::kOpLinkBase + 16);
  EXPECT_EQ(link.Bits, 9);
  EXPECT_NE(link.Next, nullptr);
}

TEST_F(HuffmanTables, RandomCompleteAndIncompleteCodesDecodeEverySymbol) {
  std::mt19937 rng(5);
  for (int round = 0; round < 300; ++round) {
    // Kraft-feasible lengths: give out codes while there is room.
    u32 count = 2 + rng() % 287;
    std::vector<u16> lengths(count, 0);
    double room = 1.0;
    for (u32 s = 0; s < count; ++s) {
      if (rng() % 3 == 0) continue;
      u16 l = static_cast<u16>(1 + rng() % 15);
      if (room - 1.0 / (1u << l) >= 0) {
        lengths[s] = l;
        room -= 1.0 / (1u << l);
      }
    }
    SCOPED_TRACE(round);
    u32 simple = rng() % 2 ? 257 : 0;
    if (simple == 0) lengths.resize(std::min<u32>(count, 32));
    Built b = Build(lengths, simple, 1 + rng() % 10);
    ASSERT_LE(b.status, decode::kTableIncomplete);
    if (b.root) ExpectEverySymbolDecodes(lengths, simple, b);
    ReleaseDecodeTables(&list_);
  }
}

// Out of memory after the root (and some sub-tables) were allocated: what this
// build made is freed, the list is as before, the root is none.
TEST_F(HuffmanTables, OutOfMemoryMidBuildReleasesEverythingItMade) {
  std::vector<u16> earlier(2, 1);
  ASSERT_EQ(Build(earlier, 257, 7).status, decode::kTableComplete);
  DecodeEntry* list_before = list_;
  long long heap_before = standin::HeapInUse();
  std::vector<u16> lengths = FixedLiteralLengths();
  for (long fail_after : {0L, 1L, 2L, 5L}) {
    SCOPED_TRACE(fail_after);
    standin::FailAllocationAfter(fail_after);
    Built b = Build(lengths, 257, 7);
    standin::FailAllocationAfter(-1);
    EXPECT_EQ(b.status, decode::kTableNoMemory);
    EXPECT_EQ(b.root, nullptr);
    EXPECT_EQ(list_, list_before);
    EXPECT_EQ(standin::HeapInUse(), heap_before);
  }
}

TEST_F(HuffmanTables, ReleaseFreesEveryTableOfEveryBuildOnTheList) {
  long long heap_before = standin::HeapInUse();
  ASSERT_EQ(Build(FixedLiteralLengths(), 257, 7).status, decode::kTableComplete);
  ASSERT_EQ(Build(std::vector<u16>(30, 5), 0, 5).status, decode::kTableIncomplete);
  EXPECT_GT(standin::HeapInUse(), heap_before);
  ReleaseDecodeTables(&list_);
  EXPECT_EQ(list_, nullptr);
  EXPECT_EQ(standin::HeapInUse(), heap_before);
}

}  // namespace
