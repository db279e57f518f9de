// Deflate (RFC 1951) format constants and the decoder's fixed tables: block
// types, code counts, the length and distance bases with their extra bits, the
// order of the code-length code lengths, and the lookup widths the decoder asks
// of the table builder.
#pragma once

#include "platform/types.h"

namespace decode {

constexpr u32 kWindowSize = 32768;      // largest distance; also the output piece size
constexpr u32 kInputChunk = 32768;      // bytes per read of the package file
constexpr u32 kMaxCodeBits = 15;        // longest Huffman code a Deflate stream can give
constexpr u32 kMaxMatch = 258;          // longest back-reference (length symbol 285)

constexpr u32 kBlockStored = 0;         // BTYPE 00: LEN, NLEN, raw bytes
constexpr u32 kBlockFixed = 1;          // BTYPE 01: the fixed codes below
constexpr u32 kBlockDynamic = 2;        // BTYPE 10: codes sent in the block header
                                        // BTYPE 11 is reserved: damaged data

constexpr u32 kEndOfBlock = 256;        // literal/length symbol that ends a block
constexpr u32 kFirstLengthSymbol = 257; // symbols 257..285 are lengths; 286, 287 invalid
constexpr u32 kLitLenSymbols = 288;     // literal/length alphabet including 286, 287
constexpr u32 kDistSymbols = 32;        // distance alphabet including the invalid 30, 31
constexpr u32 kCodeLengthSymbols = 19;  // code-length alphabet: 0..15 lengths, 16..18 repeats
constexpr u32 kMaxLengths = kLitLenSymbols + kDistSymbols;  // 320: HLIT and HDIST at their maxima

constexpr u32 kHlitBits = 5;            // HLIT: literal/length codes - 257
constexpr u32 kHdistBits = 5;           // HDIST: distance codes - 1
constexpr u32 kHclenBits = 4;           // HCLEN: code-length codes - 4
constexpr u32 kCodeLengthBits = 3;      // each code-length code length

// Code-length symbols 16..18: repeat the previous length 3..6 times (2 extra bits),
// a zero 3..10 times (3 extra bits), a zero 11..138 times (7 extra bits).
constexpr u32 kRepeatPrevious = 16;
constexpr u32 kRepeatZeroShort = 17;
constexpr u32 kRepeatZeroLong = 18;

// The fixed literal/length code: 0..143 8 bits, 144..255 9, 256..279 7, 280..287 8.
constexpr u32 kFixedLitBoundary1 = 144;
constexpr u32 kFixedLitBoundary2 = 256;
constexpr u32 kFixedLitBoundary3 = 280;
constexpr u32 kFixedDistSymbols = 30;   // all of length 5: two 5-bit patterns stay unused
constexpr u32 kFixedDistBits = 5;

// Root widths requested from the table builder; it may return another width.
constexpr u32 kCodeLengthRootBits = 7;
constexpr u32 kDynamicLitRootBits = 9;
constexpr u32 kDynamicDistRootBits = 6;
constexpr u32 kFixedLitRootBits = 7;
constexpr u32 kFixedDistRootBits = 5;

// Extra-bit value of a symbol that has no meaning: its decode entry is an invalid code.
constexpr u8 kNoSymbol = 99;

// Lengths for symbols 257..287: base and extra bits. 286 and 287 are invalid.
constexpr u16 kLengthBase[31] = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27, 31,
                                 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258, 0,  0};
constexpr u8 kLengthExtra[31] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2, 2,
                                 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0, kNoSymbol, kNoSymbol};

// Distances for symbols 0..31: base and extra bits. 30 and 31 are invalid.
constexpr u16 kDistBase[32] = {1,    2,    3,    4,    5,    7,     9,     13,    17,  25,  33,
                               49,   65,   97,   129,  193,  257,   385,   513,   769, 1025, 1537,
                               2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577, 0,   0};
constexpr u8 kDistExtra[32] = {0, 0, 0,  0,  1,  1,  2,  2,  3,  3,  4,  4,  5,  5,         6,         6,
                               7, 7, 8,  8,  9,  9,  10, 10, 11, 11, 12, 12, 13, 13, kNoSymbol, kNoSymbol};

// The order in which the code-length code lengths are stored.
constexpr u8 kCodeLengthOrder[kCodeLengthSymbols] = {16, 17, 18, 0, 8,  7, 9,  6, 10, 5,
                                                     11, 4,  12, 3, 13, 2, 14, 1, 15};

// The largest match is 258: symbol 285's base with no extra bits; the largest
// distance is 24577 + 2^13 - 1 = 32768, the window.
static_assert(kLengthBase[28] == kMaxMatch, "length symbol 285 is 258");
static_assert(kDistBase[29] + (1u << 13) - 1 == kWindowSize, "distance 29 reaches the window");
// Each base follows from the one before it and that one's extra bits (except the
// special 258); a typing slip in the tables above fails here.
constexpr bool BasesChain(const u16* base, const u8* extra, u32 last) {
  for (u32 i = 0; i < last; ++i)
    if (base[i + 1] != base[i] + (1u << extra[i])) return false;
  return true;
}
static_assert(BasesChain(kLengthBase, kLengthExtra, 27), "length bases 3..227 chain");
static_assert(BasesChain(kDistBase, kDistExtra, 29), "distance bases 1..24577 chain");
static_assert((kWindowSize & (kWindowSize - 1)) == 0, "positions wrap by masking");

}  // namespace decode
