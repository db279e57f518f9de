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

  // Fixed-code helpers (RFC 1951, 3.2.6).
  BitWriter& FixedLiteral(unsigned symbol);  // 0..287, with its fixed code
  BitWriter& FixedEnd() { return FixedLiteral(256); }
  // A fixed-code length/distance pair with its extra bits.
  BitWriter& FixedMatch(unsigned length, unsigned distance);

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
