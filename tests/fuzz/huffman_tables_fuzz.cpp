// Fuzz target: BuildDecodeTables on arbitrary code lengths. Byte 0: requested
// width (low 4 bits) and the kind of code (bit 4: distance-like, simple count 0;
// else literal/length-like, simple count 257); byte 1: an allocation to fail
// (0 = none). Each further byte is one length (mod 17). A complete or incomplete
// code must decode every symbol from its canonical code, taking exactly its
// length, through root and sub-tables; an over-subscribed code or a failed
// allocation must leave nothing allocated and the release list unchanged.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "decode/deflate_format.h"
#include "decode/huffman_tables.h"
#include "fuzz/fuzz_support.h"
#include "platform/posix/standin.h"

namespace {

using decode::DecodeEntry;

std::uint32_t Reversed(std::uint32_t code, unsigned length) {
  std::uint32_t r = 0;
  for (unsigned i = 0; i < length; ++i) r |= ((code >> (length - 1 - i)) & 1) << i;
  return r;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 3) return 0;
  const bool distance = data[0] & 0x10;
  std::uint32_t width = data[0] & 0x0F;
  const long fail_after = data[1] ? data[1] % 16 - 1 : -1;
  std::vector<std::uint16_t> lengths;
  for (std::size_t i = 2; i < size && lengths.size() < (distance ? 32u : 288u); ++i)
    lengths.push_back(static_cast<std::uint16_t>(data[i] % 17));
  const std::uint32_t simple = distance ? 0 : 257;
  const std::uint16_t* base = distance ? decode::kDistBase : decode::kLengthBase;
  const std::uint8_t* extra = distance ? decode::kDistExtra : decode::kLengthExtra;

  fuzzsupport::ResetRun("huffman");
  const long long heap_at_start = standin::HeapInUse();
  // A table of an earlier build stands on the list; it must survive any failure.
  DecodeEntry* list = nullptr;
  DecodeEntry* earlier_root;
  std::uint32_t earlier_width = 1;
  const std::uint16_t earlier_lengths[2] = {1, 1};
  if (decode::BuildDecodeTables(earlier_lengths, 2, 257, decode::kLengthBase, decode::kLengthExtra, &earlier_root,
                                &list, &earlier_width) != decode::kTableComplete)
    std::abort();
  DecodeEntry* const list_before = list;
  const long long heap_before = standin::HeapInUse();

  DecodeEntry* root = nullptr;
  standin::FailAllocationAfter(fail_after);
  int status = decode::BuildDecodeTables(lengths.data(), static_cast<std::uint32_t>(lengths.size()), simple, base,
                                         extra, &root, &list, &width);
  standin::FailAllocationAfter(-1);

  if (status == decode::kTableOverSubscribed || status == decode::kTableNoMemory) {
    if (root || list != list_before || standin::HeapInUse() != heap_before) std::abort();
  } else if (status == decode::kTableComplete || status == decode::kTableIncomplete) {
    // Canonical codes, and every symbol looked up through the tables.
    std::uint32_t counts[17] = {}, next[17] = {};
    for (std::uint16_t l : lengths) ++counts[l];
    counts[0] = 0;
    for (unsigned bits = 1, code = 0; bits <= 16; ++bits) next[bits] = code = (code + counts[bits - 1]) << 1;
    bool any = false;
    for (std::uint32_t s = 0; s < lengths.size(); ++s) {
      if (!lengths[s]) continue;
      any = true;
      std::uint32_t bits = Reversed(next[lengths[s]]++, lengths[s]) | (0xFFFFu << lengths[s]);
      const DecodeEntry* e = &root[bits & ((1u << width) - 1)];
      unsigned used = 0;
      while (e->Operation > decode::kOpLinkBase && e->Operation != decode::kOpInvalid) {
        used += e->Bits;
        bits >>= e->Bits;
        e = &e->Next[bits & ((1u << (e->Operation - decode::kOpLinkBase)) - 1)];
      }
      used += e->Bits;
      if (used != lengths[s]) std::abort();
      bool literal = s < simple;
      std::uint8_t op = literal ? (s < 256 ? decode::kOpLiteral : decode::kOpEndOfBlock) : extra[s - simple];
      std::uint16_t value = literal ? static_cast<std::uint16_t>(s) : base[s - simple];
      if (e->Operation != op || (op != decode::kOpInvalid && e->Value != value)) std::abort();
    }
    if (any != (root != nullptr) || (!any && width != 0)) std::abort();
  } else {
    std::abort();
  }
  decode::ReleaseDecodeTables(&list);
  if (list || standin::HeapInUse() != heap_at_start) std::abort();
  fuzzsupport::EndRun();
  return 0;
}
