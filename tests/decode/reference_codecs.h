// The control codecs of the decoder tests: raw Deflate streams made by zlib
// (windowBits -15) and libdeflate, and generated test data of several kinds.
#pragma once

#include <libdeflate.h>
#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <stdexcept>
#include <string>

namespace decodetest {

inline std::string ZlibRawDeflate(const std::string& data, int level, int strategy = Z_DEFAULT_STRATEGY,
                                  int mem_level = 8) {
  z_stream z{};
  if (deflateInit2(&z, level, Z_DEFLATED, -15, mem_level, strategy) != Z_OK) throw std::runtime_error("deflateInit2");
  std::string out(deflateBound(&z, data.size()) + 64, '\0');
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
  z.avail_in = static_cast<uInt>(data.size());
  z.next_out = reinterpret_cast<Bytef*>(&out[0]);
  z.avail_out = static_cast<uInt>(out.size());
  int rc = deflate(&z, Z_FINISH);
  deflateEnd(&z);
  if (rc != Z_STREAM_END) throw std::runtime_error("deflate");
  out.resize(z.total_out);
  return out;
}

// zlib's raw inflate: the control output. Empty optional-like: ok=false when zlib refuses.
inline bool ZlibRawInflate(const std::string& stream, std::string* out) {
  z_stream z{};
  if (inflateInit2(&z, -15) != Z_OK) return false;
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(stream.data()));
  z.avail_in = static_cast<uInt>(stream.size());
  out->clear();
  char buf[65536];
  int rc;
  do {
    z.next_out = reinterpret_cast<Bytef*>(buf);
    z.avail_out = sizeof buf;
    rc = inflate(&z, Z_NO_FLUSH);
    out->append(buf, sizeof buf - z.avail_out);
  } while (rc == Z_OK && (z.avail_in > 0 || z.avail_out == 0));
  inflateEnd(&z);
  return rc == Z_STREAM_END;
}

inline std::string LibdeflateRaw(const std::string& data, int level) {
  libdeflate_compressor* c = libdeflate_alloc_compressor(level);
  if (!c) throw std::runtime_error("libdeflate_alloc_compressor");
  std::string out(libdeflate_deflate_compress_bound(c, data.size()) + 64, '\0');
  size_t n = libdeflate_deflate_compress(c, data.data(), data.size(), &out[0], out.size());
  libdeflate_free_compressor(c);
  if (n == 0) throw std::runtime_error("libdeflate_deflate_compress");
  out.resize(n);
  return out;
}

inline std::uint32_t ZlibCrc(const std::string& data) {
  return static_cast<std::uint32_t>(
      crc32(0, reinterpret_cast<const Bytef*>(data.data()), static_cast<uInt>(data.size())));
}

enum class DataKind { Random, Text, Runs, Mixed };

inline const char* DataKindName(DataKind kind) {
  switch (kind) {
    case DataKind::Random: return "random";
    case DataKind::Text: return "text";
    case DataKind::Runs: return "runs";
    case DataKind::Mixed: return "mixed";
  }
  return "?";
}

// Reproducible test data: uniform random bytes; English-like words with
// punctuation and line breaks; long runs of one byte with short variations;
// and a mix of those three with small-alphabet binary and repeated blocks
// that reach back far in the window.
inline std::string MakeData(DataKind kind, size_t size, unsigned seed) {
  std::mt19937 rng(seed);
  std::string out;
  out.reserve(size + 300);
  static const char* const kWords[] = {"the",    "archive", "setup",   "window", "of",     "and",    "data",
                                       "stream", "block",   "decoder", "a",      "to",     "install",
                                       "file",   "system",  "entry",   "huffman", "length", "distance"};
  auto text = [&](size_t n) {
    size_t end = out.size() + n;
    while (out.size() < end) {
      out += kWords[rng() % (sizeof kWords / sizeof *kWords)];
      unsigned r = rng() % 20;
      out += r == 0 ? ".\n" : r == 1 ? ", " : " ";
    }
  };
  auto random = [&](size_t n) {
    for (size_t i = 0; i < n; ++i) out += static_cast<char>(rng());
  };
  auto runs = [&](size_t n) {
    size_t end = out.size() + n;
    while (out.size() < end) {
      char c = static_cast<char>(rng() % 4 == 0 ? rng() : 'a');
      out.append(1 + rng() % 600, c);
      if (rng() % 3 == 0) out += static_cast<char>(rng());
    }
  };
  while (out.size() < size) {
    switch (kind) {
      case DataKind::Random: random(size - out.size()); break;
      case DataKind::Text: text(size - out.size()); break;
      case DataKind::Runs: runs(size - out.size()); break;
      case DataKind::Mixed: {
        size_t piece = 1 + rng() % 20000;
        switch (rng() % 5) {
          case 0: text(piece); break;
          case 1: random(piece); break;
          case 2: runs(piece); break;
          case 3:
            for (size_t i = 0; i < piece; ++i) out += static_cast<char>("\x00\x01\x02\xff"[rng() % 4]);
            break;
          case 4:
            if (out.size() > 1000) {
              size_t back = 1 + rng() % (out.size() < 40000 ? out.size() : 40000);
              size_t len = std::min<size_t>(piece, back);
              out += out.substr(out.size() - back, len);
            }
            break;
        }
      }
    }
  }
  out.resize(size);
  return out;
}

}  // namespace decodetest
