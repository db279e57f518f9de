// Hand-built Deflate streams: fields are written least-significant bit first, as
// RFC 1951 packs them; Huffman codes are written most-significant bit first.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace testenv {

class BitWriter {
 public:
  // `count` low bits of `value`, least significant first (header fields, extra bits).
  BitWriter& Bits(std::uint32_t value, unsigned count);
  // A Huffman code of `length` bits, most significant first.
  BitWriter& Code(std::uint32_t code, unsigned length);
  // Zero bits up to the next byte boundary.
  BitWriter& Align();
  // Whole bytes (only at a byte boundary).
  BitWriter& Bytes(const std::string& bytes);

  // Block header: BFINAL (1 bit), BTYPE (2 bits).
  BitWriter& Header(bool final_block, unsigned type) { return Bits(final_block, 1).Bits(type, 2); }
  // A stored block: header, padding to the byte boundary, LEN, NLEN (the ones'
  // complement of LEN unless given), the bytes.
  BitWriter& Stored(bool final_block, const std::string& bytes, int nlen = -1);

  // Fixed-code helpers (RFC 1951, 3.2.6).
  BitWriter& FixedLiteral(unsigned symbol);  // 0..287, with its fixed code
  BitWriter& FixedEnd() { return FixedLiteral(256); }
  // A fixed-code length/distance pair with its extra bits.
  BitWriter& FixedMatch(unsigned length, unsigned distance);

  // Dynamic block header (RFC 1951, 3.2.7) with HCLEN 15: the code-length code
  // gives symbols 0..12 four bits and 13..18 five bits (a complete code).
  // `symbols` are code-length symbols with their extra-bit values (16: 2 bits,
  // 17: 3 bits, 18: 7 bits); they must add up to lit_count + dist_count lengths
  // unless a test wants otherwise.
  struct CodeLengthSymbol {
    unsigned symbol, extra;
  };
  BitWriter& DynamicHeader(bool final_block, unsigned lit_count, unsigned dist_count,
                           const std::vector<CodeLengthSymbol>& symbols);
  // The same, sending every length as its own symbol (no repeats).
  BitWriter& DynamicHeader(bool final_block, const std::vector<unsigned>& lit_lengths,
                           const std::vector<unsigned>& dist_lengths);

  // The stream so far, the last partial byte padded with zero bits.
  std::string Finish() const;
  unsigned BitCount() const { return bit_count_; }

  // Length and distance symbols for a length 3..258 / distance 1..32768:
  // symbol, extra bit count, extra value.
  struct Symbol {
    unsigned symbol, extra_bits, extra;
  };
  static Symbol LengthSymbol(unsigned length);
  static Symbol DistanceSymbol(unsigned distance);

 private:
  std::vector<std::uint8_t> bytes_;
  unsigned bit_count_ = 0;
};

// Canonical Huffman codes (RFC 1951, 3.2.2) for a list of lengths: code[i] for
// every symbol with a nonzero length.
std::vector<std::uint32_t> CanonicalCodes(const std::vector<unsigned>& lengths);

}  // namespace testenv
