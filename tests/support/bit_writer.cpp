#include "support/bit_writer.h"

#include <stdexcept>

namespace testenv {

BitWriter& BitWriter::Bits(std::uint32_t value, unsigned count) {
  for (unsigned i = 0; i < count; ++i) {
    if (bit_count_ % 8 == 0) bytes_.push_back(0);
    if ((value >> i) & 1) bytes_.back() |= static_cast<std::uint8_t>(1u << (bit_count_ % 8));
    ++bit_count_;
  }
  return *this;
}

BitWriter& BitWriter::Code(std::uint32_t code, unsigned length) {
  for (unsigned i = length; i-- > 0;) Bits((code >> i) & 1, 1);
  return *this;
}

BitWriter& BitWriter::Align() {
  while (bit_count_ % 8) Bits(0, 1);
  return *this;
}

BitWriter& BitWriter::Bytes(const std::string& bytes) {
  if (bit_count_ % 8) throw std::logic_error("Bytes off a byte boundary");
  for (char c : bytes) Bits(static_cast<std::uint8_t>(c), 8);
  return *this;
}

BitWriter& BitWriter::Stored(bool final_block, const std::string& bytes, int nlen) {
  Header(final_block, 0).Align();
  Bits(static_cast<std::uint32_t>(bytes.size()), 16);                                      // LEN
  Bits(nlen < 0 ? ~static_cast<std::uint32_t>(bytes.size()) : static_cast<std::uint32_t>(nlen), 16);  // NLEN
  return Bytes(bytes);
}

BitWriter& BitWriter::DynamicHeader(bool final_block, unsigned lit_count, unsigned dist_count,
                                    const std::vector<CodeLengthSymbol>& symbols) {
  Header(final_block, 2);
  Bits(lit_count - 257, 5);  // HLIT
  Bits(dist_count - 1, 5);   // HDIST
  Bits(15, 4);               // HCLEN: all 19 code-length code lengths follow
  std::vector<unsigned> cl_lengths(19);
  for (unsigned s = 0; s < 19; ++s) cl_lengths[s] = s < 13 ? 4 : 5;
  static const unsigned kOrder[19] = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};
  for (unsigned i = 0; i < 19; ++i) Bits(cl_lengths[kOrder[i]], 3);
  std::vector<std::uint32_t> codes = CanonicalCodes(cl_lengths);
  for (const CodeLengthSymbol& ls : symbols) {
    Code(codes[ls.symbol], cl_lengths[ls.symbol]);
    if (ls.symbol == 16) Bits(ls.extra, 2);  // repeat previous 3..6
    if (ls.symbol == 17) Bits(ls.extra, 3);  // zeros 3..10
    if (ls.symbol == 18) Bits(ls.extra, 7);  // zeros 11..138
  }
  return *this;
}

BitWriter& BitWriter::DynamicHeader(bool final_block, const std::vector<unsigned>& lit_lengths,
                                    const std::vector<unsigned>& dist_lengths) {
  std::vector<CodeLengthSymbol> symbols;
  for (unsigned l : lit_lengths) symbols.push_back({l, 0});
  for (unsigned l : dist_lengths) symbols.push_back({l, 0});
  return DynamicHeader(final_block, static_cast<unsigned>(lit_lengths.size()),
                       static_cast<unsigned>(dist_lengths.size()), symbols);
}

BitWriter& BitWriter::FixedLiteral(unsigned symbol) {
  if (symbol < 144) return Code(0x30 + symbol, 8);
  if (symbol < 256) return Code(0x190 + symbol - 144, 9);
  if (symbol < 280) return Code(symbol - 256, 7);
  return Code(0xC0 + symbol - 280, 8);
}

BitWriter& BitWriter::FixedMatch(unsigned length, unsigned distance) {
  Symbol l = LengthSymbol(length);
  FixedLiteral(l.symbol).Bits(l.extra, l.extra_bits);
  Symbol d = DistanceSymbol(distance);
  return Code(d.symbol, 5).Bits(d.extra, d.extra_bits);
}

std::string BitWriter::Finish() const { return std::string(bytes_.begin(), bytes_.end()); }

namespace {
const unsigned kLengthBase[] = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27,
                                31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
const unsigned kLengthExtra[] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                 2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
const unsigned kDistBase[] = {1,   2,   3,   4,   5,   7,    9,    13,   17,   25,   33,   49,   65,    97,    129,
                              193, 257, 385, 513, 769, 1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
}  // namespace

BitWriter::Symbol BitWriter::LengthSymbol(unsigned length) {
  if (length < 3 || length > 258) throw std::out_of_range("length");
  for (unsigned i = 29; i-- > 0;)
    if (length >= kLengthBase[i]) return {257 + i, kLengthExtra[i], length - kLengthBase[i]};
  throw std::logic_error("unreachable");
}

BitWriter::Symbol BitWriter::DistanceSymbol(unsigned distance) {
  if (distance < 1 || distance > 32768) throw std::out_of_range("distance");
  for (unsigned i = 30; i-- > 0;)
    if (distance >= kDistBase[i]) return {i, i < 4 ? 0 : i / 2 - 1, distance - kDistBase[i]};
  throw std::logic_error("unreachable");
}

std::vector<std::uint32_t> CanonicalCodes(const std::vector<unsigned>& lengths) {
  unsigned counts[17] = {};
  for (unsigned l : lengths) ++counts[l];
  counts[0] = 0;
  std::uint32_t next[17] = {};
  std::uint32_t code = 0;
  for (unsigned bits = 1; bits <= 16; ++bits) {
    code = (code + counts[bits - 1]) << 1;
    next[bits] = code;
  }
  std::vector<std::uint32_t> codes(lengths.size());
  for (size_t s = 0; s < lengths.size(); ++s)
    if (lengths[s]) codes[s] = next[lengths[s]]++;
  return codes;
}

}  // namespace testenv
