// Building and freeing multi-level Huffman decode tables. Codes are canonical
// (RFC 1951, 3.2.2): given out shortest first and, within one length, in symbol
// order. Each table is one heap block: a header slot that chains it into the
// caller's release list, then 2^width entries.
#include "decode/huffman_tables.h"

#include "decode/deflate_format.h"
#include "platform/memory.h"

namespace decode {

namespace {

// Frees the tables on a list from `head` back to (not including) `stop`.
void FreeTablesUntil(DecodeEntry* head, DecodeEntry* stop) {
  while (head != stop) {
    DecodeEntry* before = head->Next;
    platform::Free(head);
    head = before;
  }
}

}  // namespace

// Design: the code register `code` holds the current code in stream bit order
// (reversed), and is advanced by a reversed increment. Open table levels form a
// stack; `w` is the number of code bits that the levels below the current one
// decode. A code longer than w plus the current width opens a new level, whose
// width is chosen as small as the remaining codes allow (so that sparse long
// codes do not blow up a table), capped at the requested width, and cut so that
// the end-of-block code ends exactly at a table boundary. A level closes when
// the register leaves the prefix it was opened for.
//
// Format notes: an incomplete code is completed with fill codes of the longest
// length that decode as invalid (kOpInvalid); a code that is a single 1-bit code
// is the one incomplete code not reported as such (a lone distance code).
int BuildDecodeTables(const u16* lengths, u32 count, u32 simple_count, const u16* base, const u8* extra,
                      DecodeEntry** root, DecodeEntry** list, u32* width) {
  *root = nullptr;
  if (count > kMaxTableSymbols) return kTableOverSubscribed;

  // Codes per length; lengths above the limit are not a code at all.
  i32 counts[kMaxTableBits + 1] = {};
  for (u32 s = 0; s < count; ++s) {
    if (lengths[s] > kMaxTableBits) return kTableOverSubscribed;
    ++counts[lengths[s]];
  }
  if (counts[0] == static_cast<i32>(count)) {
    *width = 0;
    return kTableComplete;
  }
  u32 shortest = 1;
  while (!counts[shortest]) ++shortest;
  u32 longest = kMaxTableBits;
  while (!counts[longest]) --longest;
  u32 root_width = *width;
  if (root_width < shortest) root_width = shortest;
  if (root_width > longest) root_width = longest;

  // Completeness: y is the number of code patterns still free at each length.
  i32 free_patterns = 1 << shortest;
  for (u32 len = shortest; len < longest; ++len, free_patterns <<= 1)
    if ((free_patterns -= counts[len]) < 0) return kTableOverSubscribed;
  if ((free_patterns -= counts[longest]) < 0) return kTableOverSubscribed;
  counts[longest] += free_patterns;  // fill codes

  // Symbols with a code, by length and then by symbol.
  u16 sorted[kMaxTableSymbols];
  u32 offsets[kMaxTableBits + 2];
  offsets[1] = 0;
  for (u32 len = 1; len <= kMaxTableBits; ++len) offsets[len + 1] = offsets[len] + counts[len];
  for (u32 s = 0; s < count; ++s)
    if (lengths[s]) sorted[offsets[lengths[s]]++] = static_cast<u16>(s);
  u32 symbol_count = offsets[longest];  // real codes; the fill codes come after them
  u32 end_of_block_length = count > kEndOfBlock ? lengths[kEndOfBlock] : kMaxTableBits;

  DecodeEntry* const list_before = *list;
  DecodeEntry* level_table[kMaxTableBits + 1];
  u32 level_width[kMaxTableBits + 1];
  u32 level_prefix[kMaxTableBits + 1];  // low w bits of the register when the level opened
  level_prefix[0] = 0;
  i32 level = -1;
  u32 w = 0;
  DecodeEntry* table = nullptr;
  u32 table_size = 0;
  u32 code = 0;
  u32 next_symbol = 0;

  for (u32 k = shortest; k <= longest; ++k) {
    for (i32 left = counts[k]; left > 0; --left) {  // `left` counts this code too
      // Open levels until this code ends within the current one.
      while (k > w + (level >= 0 ? level_width[level] : 0)) {
        if (level >= 0) w += level_width[level];
        ++level;
        u32 limit = longest - w < root_width ? longest - w : root_width;
        u32 j = k - w;
        u32 patterns = 1u << j;
        if (patterns > static_cast<u32>(left)) {
          patterns -= left;  // free patterns under a (k - w)-bit table
          for (u32 len = k + 1; ++j < limit; ++len) {
            if ((patterns <<= 1) <= static_cast<u32>(counts[len])) break;
            patterns -= counts[len];
          }
        }
        if (w + j > end_of_block_length && w < end_of_block_length) j = end_of_block_length - w;
        table_size = 1u << j;
        auto* block = static_cast<DecodeEntry*>(platform::Alloc((table_size + 1) * sizeof(DecodeEntry)));
        if (!block) {
          FreeTablesUntil(*list, list_before);
          *list = list_before;
          *root = nullptr;
          return kTableNoMemory;
        }
        block->Next = *list;
        *list = block;
        table = block + 1;
        level_table[level] = table;
        level_width[level] = j;
        if (level == 0) {
          *root = table;
        } else {
          level_prefix[level] = code;
          u32 below = level_width[level - 1];
          DecodeEntry link = {static_cast<u8>(kOpLinkBase + j), static_cast<u8>(below), 0, table};
          level_table[level - 1][(code & ((1u << w) - 1)) >> (w - below)] = link;
        }
      }

      DecodeEntry entry = {kOpInvalid, static_cast<u8>(k - w), 0, nullptr};
      if (next_symbol < symbol_count) {
        u32 s = sorted[next_symbol++];
        if (s < simple_count) {
          entry.Operation = s < kEndOfBlock ? kOpLiteral : kOpEndOfBlock;
          entry.Value = static_cast<u16>(s);
        } else {
          entry.Operation = extra[s - simple_count];
          entry.Value = base[s - simple_count];
        }
      }
      for (u32 i = code >> w; i < table_size; i += 1u << (k - w)) table[i] = entry;

      // Reversed increment of the k-bit code.
      u32 bit = 1u << (k - 1);
      while (code & bit) {
        code ^= bit;
        bit >>= 1;
      }
      code ^= bit;

      // Close the levels whose prefix the register has left.
      while ((code & ((1u << w) - 1)) != level_prefix[level]) {
        --level;
        w -= level_width[level];
        table = level_table[level];
        table_size = 1u << level_width[level];
      }
    }
  }
  *width = level_width[0];
  return free_patterns != 0 && longest != 1 ? kTableIncomplete : kTableComplete;
}

void ReleaseDecodeTables(DecodeEntry** list) {
  FreeTablesUntil(*list, nullptr);
  *list = nullptr;
}

}  // namespace decode
