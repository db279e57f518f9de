// Multi-level Huffman decode tables for the inflate decoder. A code is looked up
// with the next `width` stream bits (first bit = least significant index bit);
// codes longer than a table's width continue in sub-tables reached by links.
#pragma once

#include "platform/types.h"

namespace decode {

// Operation values of a DecodeEntry.
constexpr u8 kOpEndOfBlock = 15;  // the end-of-block symbol 256
constexpr u8 kOpLiteral = 16;     // a literal byte, or a code-length symbol 0..18
constexpr u8 kOpLinkBase = 16;    // 17..32: link to a sub-table of (Operation - 16) index bits
constexpr u8 kOpInvalid = 99;     // no symbol: fill pattern of an incomplete code, or symbol 286/287/30/31
// 0..13: a length or distance base followed by that many extra bits.

struct DecodeEntry {
  u8 Operation;      // see above
  u8 Bits;           // code bits this entry takes within its table level
  u16 Value;         // literal, symbol 256, code-length symbol, or base length/distance
  DecodeEntry* Next; // links: the sub-table; a header slot: the table allocated before it
};

// BuildDecodeTables statuses.
constexpr int kTableComplete = 0;
constexpr int kTableIncomplete = 1;      // built and usable; uncovered patterns are invalid
constexpr int kTableOverSubscribed = 2;  // nothing allocated
constexpr int kTableNoMemory = 3;        // this build's tables released, list unchanged

constexpr u32 kMaxTableBits = 16;        // longest code length the builder accepts
constexpr u32 kMaxTableSymbols = 288;    // room of the builder's sorted symbol list

// Builds the tables of the code given by `lengths` (one per symbol, 0 = no code).
// Symbols below `simple_count` are literals (< 256) or end-of-block (256); symbol
// s at or above it takes base[s - simple_count] and extra[s - simple_count], where
// an extra of 99 marks an invalid symbol. `width` carries the requested root
// width in and the actual root width out. Every table allocated is chained into
// `*list` (which the caller owns and releases); `*root` only points into it and
// is null when every length is 0 or on failure.
int BuildDecodeTables(const u16* lengths, u32 count, u32 simple_count, const u16* base, const u8* extra,
                      DecodeEntry** root, DecodeEntry** list, u32* width);

// Frees every table on the list, newest first, and empties the list.
void ReleaseDecodeTables(DecodeEntry** list);

}  // namespace decode
