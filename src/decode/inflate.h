// The Deflate (RFC 1951) decoder for method-8 entries, package file to OutFile.
#pragma once

#include "platform/types.h"

namespace decode {

struct DecodeEntry;

// Expects the same state as CopyStoredEntry. Decodes every block into the 32 KiB
// window, writes it out in pieces and folds into RunningCrc the bytes actually
// written (a short write therefore fails the CRC comparison). Damaged data ends
// decoding early: what was flushed stays written; the window's rest is dropped.
void InflateEntry();

// Block statuses. 1..3 are also the table builder's statuses, passed on as they are.
constexpr int kInflateOk = 0;
constexpr int kInflateInvalidCode = 1;     // an invalid code met, or an incomplete code refused
constexpr int kInflateOverSubscribed = 2;  // a code with more codes than its lengths allow
constexpr int kInflateNoMemory = 3;        // a decode table could not be allocated
constexpr int kInflateBadData = 4;         // reserved block type, wrong NLEN, repeat past the
                                           // lengths, missing table, distance before the start
constexpr int kInflateOverrun = 5;         // bits past the entry's data were taken as data
constexpr int kInflateWriteFailed = 6;     // OutFile took fewer bytes than handed over

// The steps of InflateEntry, for tests. Each works on g_Setup.Inflate as InflateEntry
// has set it up, and returns a block status.
int InflateBlock(bool* final_block);
int InflateStored();
int InflateFixed();
int InflateDynamic();
int InflateCodes(const DecodeEntry* literal_root, const DecodeEntry* distance_root, u32 literal_width,
                 u32 distance_width);

// The byte source and the bit buffer.
constexpr u32 kEndMarker = 0xFFFFFFFF;  // NextInputByte: the entry's data is used up
u32 NextInputByte();
void NeedBits(u32 count);  // count <= 16
void DropBits(u32 count);
// NeedBits, the low `count` bits as a number, DropBits.
u32 TakeBits(u32 count);

}  // namespace decode
