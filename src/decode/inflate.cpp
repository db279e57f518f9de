// The Deflate decoder (RFC 1951): one entry's data from PackageFile, deciphered
// when the entry is encrypted, into OutFile through a 32 KiB window that is both
// the back-reference history and the output buffer; every byte written is folded
// into RunningCrc. Input comes in chunks of up to 32 KiB, never past the entry.
#include "decode/inflate.h"

#include "archive/zip_format.h"
#include "crypt/zip_crypto.h"
#include "decode/crc32.h"
#include "decode/deflate_format.h"
#include "decode/huffman_tables.h"
#include "platform/memory.h"
#include "platform/win32.h"
#include "startup/setup_state.h"

namespace decode {

using startup::g_Setup;
using startup::InflateState;

namespace {

// The bit buffer is a machine word: 32 bits in the i686 stub, 64 on x86_64.
// PELLMOR_INFLATE_WORD_BITS=32 forces the 32-bit word on a 64-bit host, so that
// the stub's own path runs under the host's tests (the sanitizer build does this).
#if defined(PELLMOR_INFLATE_WORD_BITS) && PELLMOR_INFLATE_WORD_BITS == 32
using BitWord = u32;
#else
using BitWord = std::uintptr_t;
#endif
static_assert(sizeof(BitWord) <= sizeof(startup::InflateState::BitBuffer), "BitBuffer holds a word");
constexpr u32 kWordBits = sizeof(BitWord) * 8;
constexpr u32 kWordBytes = sizeof(BitWord);
constexpr u32 kMaxLengthExtra = 5;    // length symbols 281..284
constexpr u32 kMaxDistanceExtra = 13; // distance symbols 28, 29
// Bits that a literal/length code with its extra bits, and a distance code with
// its extra bits, can take: 15 + 5 and 15 + 13.
constexpr u32 kLengthCodeBits = kMaxCodeBits + kMaxLengthExtra;
constexpr u32 kDistanceCodeBits = kMaxCodeBits + kMaxDistanceExtra;
// Bits the decode loop makes sure of before each step: a literal/length code with
// its extra bits, then a distance code with its extra bits. A refill leaves at
// least kWordBits - 8 bits (whole bytes are added while they fit): with a 64-bit
// word that covers each step at once; a 32-bit word (the i686 stub) is topped up
// again before the distance's extra bits.
constexpr u32 kDistanceStepBits = kWordBits >= 64 ? kDistanceCodeBits : kMaxCodeBits;
static_assert(kWordBits - 8 >= kLengthCodeBits && kWordBits - 8 >= kDistanceStepBits, "one refill per step");
static_assert(kWordBits - 8 >= kMaxDistanceExtra, "the 32-bit top-up covers the extra bits");
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ != __ORDER_LITTLE_ENDIAN__
#error "the word refill loads input bytes little-endian"
#endif

inline BitWord LowBits(BitWord bits, u32 count) { return bits & ((BitWord(1) << count) - 1); }

inline void Copy8(u8* to, const u8* from) { __builtin_memcpy(to, from, 8); }
inline void Copy4(u8* to, const u8* from) { __builtin_memcpy(to, from, 4); }

// Copies `count` (>= 1) window bytes upward from `from` to `to`, with the result of
// a byte-by-byte copy: where the source lies fewer than 8 bytes behind the
// destination, the repeated pattern must be built byte by byte; otherwise no
// 8-byte (or 4-byte) piece reads a byte that an earlier piece of this copy has
// written, except as a byte-by-byte copy would read it too.
inline void CopyMatch(u8* to, const u8* from, u32 count) {
  std::uintptr_t gap = to > from ? to - from : from - to;
  if (gap < 8) {
    do *to++ = *from++;
    while (--count);
  } else if (count >= 8) {
    u8* end = to + count;
    const u8* from_end = from + count;
    do {
      Copy8(to, from);
      to += 8;
      from += 8;
    } while (end - to > 8);
    Copy8(end - 8, from_end - 8);  // the last 8 bytes, overlapping what the loop wrote
  } else if (count >= 4) {
    Copy4(to, from);
    Copy4(to + count - 4, from + count - 4);
  } else {
    for (u32 i = 0; i < count; ++i) to[i] = from[i];
  }
}

// Reads the entry's next chunk into InputBuffer: min(CompressedLeft, 32 KiB) bytes,
// deciphered in place for an encrypted entry. False when nothing is left to read
// or the read delivers nothing (a truncated package); CompressedLeft is then 0.
bool FillInput() {
  InflateState& st = g_Setup.Inflate;
  st.InputPos = 0;
  st.InputCount = 0;
  if (g_Setup.CompressedLeft <= 0) return false;
  DWORD want = static_cast<u32>(g_Setup.CompressedLeft) < kInputChunk ? g_Setup.CompressedLeft : kInputChunk;
  DWORD got = 0;
  if (!ReadFile(g_Setup.PackageFile, st.InputBuffer, want, &got, nullptr) || got == 0 || got > want) {
    g_Setup.CompressedLeft = 0;
    return false;
  }
  g_Setup.CompressedLeft -= static_cast<i32>(got);
  if (ReadLe16(g_Setup.LocalHeader + archive::kLhFlags) & archive::kFlagEncrypted)
    zipcrypt::DecryptBuffer(st.InputBuffer, got);
  st.InputCount = got;
  return true;
}

// Filler bits sit above all real bits; once fewer bits are left than filler
// entered, a dropped bit was filler: the stream reached past the entry's data.
bool Overrun() { return g_Setup.Inflate.FillerBits > g_Setup.Inflate.BitCount; }

// Adds whole bytes from NextInputByte until `count` bits are held (count <= the
// word size - 7); past the data, bytes of one-bits are entered and counted.
void FillBits(u32 count) {
  InflateState& st = g_Setup.Inflate;
  while (st.BitCount < count) {
    u32 byte = NextInputByte();
    if (byte == kEndMarker) {
      st.BitBuffer |= ~BitWord(0) << st.BitCount;
      st.FillerBits += 8;
    } else {
      st.BitBuffer |= BitWord(byte) << st.BitCount;
    }
    st.BitCount += 8;
  }
}

// The byte-at-a-time refill of InflateCodes, on the stored state: tops the bit
// buffer up to kWordBits - 7 bits or more. False once bits past the data were dropped.
bool SlowRefill() {
  FillBits(kWordBits - 7);
  return !Overrun();
}

// Writes the first WindowPos bytes of the window to OutFile and folds the bytes
// the write reports into RunningCrc. Nothing is written once the stream has
// reached past the entry's data: decoding ends there, and the window's bytes
// are dropped as for any damaged stream.
int FlushWindow() {
  InflateState& st = g_Setup.Inflate;
  if (Overrun()) return kInflateOverrun;
  u32 count = st.WindowPos;
  DWORD written = 0;
  // A failed write may still have moved some bytes (a disk that fills up): the
  // count it reports is what reached the file.
  WriteFile(g_Setup.OutFile, st.SlidingWindow, count, &written, nullptr);
  if (written > count) written = count;
  UpdateCrc(st.SlidingWindow, static_cast<i32>(written), &g_Setup.RunningCrc);
  if (count == kWindowSize) st.WindowFull = true;
  st.WindowPos = 0;
  if (written != count) {
    st.WriteFailed = true;
    return kInflateWriteFailed;
  }
  return kInflateOk;
}

// Reads the literal/length and distance code lengths of a dynamic block with the
// code-length code `table` (one level: its codes are at most 7 bits).
int ReadCodeLengths(const DecodeEntry* table, u32 width, u16* lengths, u32 total) {
  if (!table) return kInflateBadData;
  InflateState& st = g_Setup.Inflate;
  u32 previous = 0;
  for (u32 i = 0; i < total;) {
    NeedBits(width);
    const DecodeEntry& entry = table[LowBits(st.BitBuffer, width)];
    if (entry.Operation == kOpInvalid) return kInflateInvalidCode;
    DropBits(entry.Bits);
    u32 symbol = entry.Value;
    if (symbol < kRepeatPrevious) {
      lengths[i++] = static_cast<u16>(previous = symbol);
      continue;
    }
    // 16: previous 3..6 times (2 bits); 17: zero 3..10 times (3 bits); 18: zero 11..138 (7 bits).
    u32 extra = symbol == kRepeatPrevious ? 2 : symbol == kRepeatZeroShort ? 3 : 7;
    u32 repeat = (symbol == kRepeatZeroLong ? 11 : 3) + TakeBits(extra);
    if (symbol != kRepeatPrevious) previous = 0;
    if (repeat > total - i) return kInflateBadData;
    while (repeat--) lengths[i++] = static_cast<u16>(previous);
  }
  return kInflateOk;
}

}  // namespace

u32 NextInputByte() {
  InflateState& st = g_Setup.Inflate;
  if (st.InputPos >= st.InputCount && !FillInput()) return kEndMarker;
  return st.InputBuffer[st.InputPos++];
}

void NeedBits(u32 count) { FillBits(count); }

void DropBits(u32 count) {
  g_Setup.Inflate.BitBuffer >>= count;
  g_Setup.Inflate.BitCount -= count;
}

u32 TakeBits(u32 count) {
  NeedBits(count);
  u32 value = static_cast<u32>(LowBits(g_Setup.Inflate.BitBuffer, count));
  DropBits(count);
  return value;
}

// Format notes: a stored block starts at the next byte boundary with LEN and its
// ones' complement NLEN (16 bits each), then LEN raw bytes. Whole bytes still in
// the bit buffer come first; the rest is copied straight from the input chunk.
// Data that runs out inside the block is an overrun.
int InflateStored() {
  InflateState& st = g_Setup.Inflate;
  DropBits(st.BitCount & 7);
  u32 length = TakeBits(16);
  u32 complement = TakeBits(16);
  if (complement != (~length & 0xFFFF)) return kInflateBadData;
  if (Overrun()) return kInflateOverrun;
  while (length) {
    u32 piece;
    if (st.BitCount >= 8) {  // a byte of the bit buffer
      st.SlidingWindow[st.WindowPos] = static_cast<u8>(st.BitBuffer);
      DropBits(8);
      if (Overrun()) return kInflateOverrun;
      piece = 1;
    } else {
      st.BitBuffer = 0;  // no copies of the bytes below may stay above BitCount
      if (st.InputPos >= st.InputCount && !FillInput()) return kInflateOverrun;
      piece = st.InputCount - st.InputPos;
      if (piece > length) piece = length;
      if (piece > kWindowSize - st.WindowPos) piece = kWindowSize - st.WindowPos;
      platform::CopyBytes(st.SlidingWindow + st.WindowPos, st.InputBuffer + st.InputPos, piece);
      st.InputPos += piece;
    }
    st.WindowPos += piece;
    length -= piece;
    if (st.WindowPos == kWindowSize) {
      int status = FlushWindow();
      if (status != kInflateOk) return status;
    }
  }
  return kInflateOk;
}

// Decodes literal/length and distance codes until the end-of-block code.
//
// Entry assumptions: the tables come from BuildDecodeTables with the given root
// widths (every slot filled, links walked by their Operation), no code longer
// than 15 bits; the input chunk, window and positions are those of g_Setup.Inflate.
// On return: BitBuffer, BitCount, InputPos and WindowPos are stored back; the
// window holds every byte decoded, flushed whenever it filled.
//
// The bit buffer lives in locals. While at least a word of input is left in the
// chunk, a refill loads one word and keeps the whole bytes that fit (the bits
// above BitCount are then copies of the bytes that follow, which later refills
// OR in again unchanged); near the chunk's end, and past the entry's data, bytes
// come one at a time through NextInputByte, with the locals stored back around
// the call. A back-reference that neither wraps nor reaches the window's end is
// copied straight; any other goes in chunks that stop at the window's end, where
// the window is flushed. The loop keeps few values live so that the bit buffer,
// its count and the output pointer stay in registers.
int InflateCodes(const DecodeEntry* literal_root, const DecodeEntry* distance_root, u32 literal_width,
                 u32 distance_width) {
  if (!literal_root) return kInflateBadData;
  InflateState& st = g_Setup.Inflate;
  const u8* in = st.InputBuffer + st.InputPos;
  const u8* in_end = st.InputBuffer + st.InputCount;
  BitWord bits = st.BitBuffer;
  u32 count = st.BitCount;
  u8* out = st.SlidingWindow + st.WindowPos;
  u8* const window_end = st.SlidingWindow + kWindowSize;
  const BitWord literal_mask = (BitWord(1) << literal_width) - 1;
  const BitWord distance_mask = (BitWord(1) << distance_width) - 1;
  int status;

// Locals to g_Setup.Inflate and back, around calls that work on the stored state.
#define INFLATE_SAVE()                                           \
  (st.BitBuffer = bits, st.BitCount = count,                     \
   st.InputPos = static_cast<u32>(in - st.InputBuffer),          \
   st.WindowPos = static_cast<u32>(out - st.SlidingWindow))
#define INFLATE_LOAD()                                                       \
  (bits = st.BitBuffer, count = st.BitCount, in = st.InputBuffer + st.InputPos, \
   in_end = st.InputBuffer + st.InputCount)
// Tops the bit buffer up to at least kWordBits - 8 bits; past the data, to filler.
#define INFLATE_REFILL()                                         \
  do {                                                           \
    if (in_end - in >= static_cast<std::ptrdiff_t>(kWordBytes)) { \
      BitWord word;                                              \
      __builtin_memcpy(&word, in, kWordBytes);                   \
      bits |= word << count;                                     \
      in += (kWordBits - 1 - count) >> 3;                        \
      count |= kWordBits - 8; /* count + 8 x the bytes kept */   \
    } else {                                                     \
      INFLATE_SAVE();                                            \
      if (!SlowRefill()) return kInflateOverrun;                 \
      INFLATE_LOAD();                                            \
    }                                                            \
  } while (0)
// Flushes a full window; ends decoding when the flush fails.
#define INFLATE_FLUSH_IF_FULL()                                  \
  if (out == window_end) {                                       \
    INFLATE_SAVE();                                              \
    status = FlushWindow();                                      \
    if (status != kInflateOk) return status;                     \
    out = st.SlidingWindow;                                      \
  }

  for (;;) {
    // Literal/length code. Literals found in the root table, the bulk of most
    // streams, take the short way round.
    const DecodeEntry* entry;
    u32 op;
    for (;;) {
      if (count < kLengthCodeBits) INFLATE_REFILL();
      entry = literal_root + (bits & literal_mask);
      op = entry->Operation;
      if (op != kOpLiteral) break;
      bits >>= entry->Bits;
      count -= entry->Bits;
      *out++ = static_cast<u8>(entry->Value);
      INFLATE_FLUSH_IF_FULL();
    }
    while (op > kOpLinkBase) {
      if (op == kOpInvalid) goto invalid;
      bits >>= entry->Bits;
      count -= entry->Bits;
      entry = entry->Next + LowBits(bits, op - kOpLinkBase);
      op = entry->Operation;
    }
    bits >>= entry->Bits;
    count -= entry->Bits;
    if (op == kOpLiteral) {  // from a sub-table
      *out++ = static_cast<u8>(entry->Value);
      INFLATE_FLUSH_IF_FULL();
      continue;
    }
    if (op == kOpEndOfBlock) break;
    u32 length = entry->Value + static_cast<u32>(LowBits(bits, op));
    bits >>= op;
    count -= op;

    // Distance code and its extra bits.
    if (!distance_root) goto bad_data;
    if (count < kDistanceStepBits) INFLATE_REFILL();
    entry = distance_root + (bits & distance_mask);
    op = entry->Operation;
    while (op > kOpLinkBase) {
      if (op == kOpInvalid) goto invalid;
      bits >>= entry->Bits;
      count -= entry->Bits;
      entry = entry->Next + LowBits(bits, op - kOpLinkBase);
      op = entry->Operation;
    }
    bits >>= entry->Bits;
    count -= entry->Bits;
    if (kWordBits < 64 && count < kMaxDistanceExtra) INFLATE_REFILL();
    u32 distance = entry->Value + static_cast<u32>(LowBits(bits, op));
    bits >>= op;
    count -= op;

    u32 pos = static_cast<u32>(out - st.SlidingWindow);
    if (distance <= pos && length <= kWindowSize - pos) {  // neither wraps nor fills the window
      CopyMatch(out, out - distance, length);
      out += length;
      INFLATE_FLUSH_IF_FULL();
      continue;
    }
    if (distance > pos && !st.WindowFull) goto bad_data;  // before the entry's first byte
    // In chunks that end where the source or the destination reaches the window's end.
    u32 from = (pos - distance) & (kWindowSize - 1);
    while (length) {
      pos = static_cast<u32>(out - st.SlidingWindow);
      u32 chunk = kWindowSize - (from > pos ? from : pos);
      if (chunk > length) chunk = length;
      CopyMatch(out, st.SlidingWindow + from, chunk);
      out += chunk;
      from = (from + chunk) & (kWindowSize - 1);
      length -= chunk;
      INFLATE_FLUSH_IF_FULL();
    }
  }
  INFLATE_SAVE();
  return kInflateOk;

bad_data:
  INFLATE_SAVE();
  return kInflateBadData;

invalid:
  INFLATE_SAVE();
  return kInflateInvalidCode;

#undef INFLATE_SAVE
#undef INFLATE_LOAD
#undef INFLATE_REFILL
#undef INFLATE_FLUSH_IF_FULL
}

int InflateFixed() {
  InflateState& st = g_Setup.Inflate;
  if (!st.FixedLiteralTable) {
    u16 lengths[kLitLenSymbols];
    for (u32 s = 0; s < kLitLenSymbols; ++s)
      lengths[s] = s < kFixedLitBoundary1 ? 8 : s < kFixedLitBoundary2 ? 9 : s < kFixedLitBoundary3 ? 7 : 8;
    st.FixedLiteralWidth = kFixedLitRootBits;
    int status = BuildDecodeTables(lengths, kLitLenSymbols, kFirstLengthSymbol, kLengthBase, kLengthExtra,
                                   &st.FixedLiteralTable, &st.FixedTableList, &st.FixedLiteralWidth);
    if (status == kTableComplete) {
      for (u32 s = 0; s < kFixedDistSymbols; ++s) lengths[s] = kFixedDistBits;
      st.FixedDistanceWidth = kFixedDistRootBits;
      status = BuildDecodeTables(lengths, kFixedDistSymbols, 0, kDistBase, kDistExtra, &st.FixedDistanceTable,
                                 &st.FixedTableList, &st.FixedDistanceWidth);
      if (status == kTableIncomplete) status = kTableComplete;  // 30 of 32 patterns: expected
    }
    if (status != kTableComplete) {
      ReleaseDecodeTables(&st.FixedTableList);
      st.FixedLiteralTable = nullptr;
      st.FixedDistanceTable = nullptr;
      return status;
    }
  }
  return InflateCodes(st.FixedLiteralTable, st.FixedDistanceTable, st.FixedLiteralWidth, st.FixedDistanceWidth);
}

// Format notes: HLIT, HDIST and HCLEN give 257..288, 1..32 and 4..19 codes;
// the counts 287, 288, 31 and 32 are accepted and their extra symbols decode
// as invalid codes. The literal/length code must be complete; the distance code
// may be incomplete (even empty, for a block of literals only).
int InflateDynamic() {
  u32 literal_count = kFirstLengthSymbol + TakeBits(kHlitBits);
  u32 distance_count = 1 + TakeBits(kHdistBits);
  u32 code_length_count = 4 + TakeBits(kHclenBits);

  u16 lengths[kMaxLengths];
  for (u32 i = 0; i < kCodeLengthSymbols; ++i) {
    lengths[kCodeLengthOrder[i]] = static_cast<u16>(i < code_length_count ? TakeBits(kCodeLengthBits) : 0);
  }
  DecodeEntry* list = nullptr;
  DecodeEntry* table;
  u32 width = kCodeLengthRootBits;
  int status = BuildDecodeTables(lengths, kCodeLengthSymbols, kCodeLengthSymbols, nullptr, nullptr, &table, &list,
                                 &width);
  if (status == kTableComplete) status = ReadCodeLengths(table, width, lengths, literal_count + distance_count);
  ReleaseDecodeTables(&list);
  if (status != kInflateOk) return status;

  DecodeEntry* literal_root;
  DecodeEntry* distance_root = nullptr;
  u32 literal_width = kDynamicLitRootBits;
  u32 distance_width = kDynamicDistRootBits;
  status = BuildDecodeTables(lengths, literal_count, kFirstLengthSymbol, kLengthBase, kLengthExtra, &literal_root,
                             &list, &literal_width);
  if (status == kTableComplete) {
    status = BuildDecodeTables(lengths + literal_count, distance_count, 0, kDistBase, kDistExtra, &distance_root,
                               &list, &distance_width);
    if (status == kTableIncomplete) status = kTableComplete;
  }
  if (status == kTableComplete) status = InflateCodes(literal_root, distance_root, literal_width, distance_width);
  ReleaseDecodeTables(&list);
  return status;
}

int InflateBlock(bool* final_block) {
  *final_block = TakeBits(1);
  u32 type = TakeBits(2);
  int status = kInflateBadData;  // the reserved type 3
  if (type == kBlockStored) status = InflateStored();
  if (type == kBlockFixed) status = InflateFixed();
  if (type == kBlockDynamic) status = InflateDynamic();
  if (status == kInflateOk && Overrun()) status = kInflateOverrun;
  return status;
}

void InflateEntry() {
  InflateState& st = g_Setup.Inflate;
  st = InflateState{};
  st.InputBuffer = static_cast<u8*>(platform::Alloc(kInputChunk));
  st.SlidingWindow = static_cast<u8*>(platform::Alloc(kWindowSize));
  if (st.InputBuffer && st.SlidingWindow) {
    bool final_block = false;
    int status;
    do {
      status = InflateBlock(&final_block);
    } while (status == kInflateOk && !final_block);
    if (status == kInflateOk && st.WindowPos > 0) FlushWindow();
  } else {
    st.WriteFailed = true;  // no output can be produced
  }
  ReleaseDecodeTables(&st.FixedTableList);
  st.FixedLiteralTable = nullptr;
  st.FixedDistanceTable = nullptr;
  platform::Free(st.InputBuffer);
  platform::Free(st.SlidingWindow);
  st.InputBuffer = nullptr;
  st.SlidingWindow = nullptr;
}

}  // namespace decode
