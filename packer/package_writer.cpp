// Package and archive writing. ZIP records per PKWARE APPNOTE, little-endian.
#include "packer/package_writer.h"

#include <libdeflate.h>

#include <random>

#include "startup/scramble.h"

namespace packer {
namespace {

constexpr std::uint32_t kLocalSignature = 0x04034b50;
constexpr std::uint32_t kCentralSignature = 0x02014b50;
constexpr std::uint32_t kEndSignature = 0x06054b50;
constexpr std::uint32_t kDescriptorSignature = 0x08074b50;
constexpr std::uint16_t kVersionNeeded = 20;  // deflate and traditional encryption
constexpr std::uint16_t kVersionMadeBy = 20;  // MS-DOS attributes

void Put16(Bytes* out, std::uint32_t v) {
  out->push_back(static_cast<std::uint8_t>(v));
  out->push_back(static_cast<std::uint8_t>(v >> 8));
}
void Put32(Bytes* out, std::uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}
void PutBytes(Bytes* out, const std::string& s) { out->insert(out->end(), s.begin(), s.end()); }
void PutBytes(Bytes* out, const Bytes& b) { out->insert(out->end(), b.begin(), b.end()); }

// Traditional PKWARE encryption.
struct Keys {
  std::uint32_t k0 = 0x12345678, k1 = 0x23456789, k2 = 0x34567890;
  static std::uint32_t Step(std::uint32_t crc, std::uint8_t b) {
    crc ^= b;
    for (int i = 0; i < 8; ++i) crc = (crc & 1) ? (crc >> 1) ^ 0xEDB88320u : crc >> 1;
    return crc;
  }
  void Update(std::uint8_t plain) {
    k0 = Step(k0, plain);
    k1 = (k1 + (k0 & 0xFF)) * 134775813u + 1;
    k2 = Step(k2, static_cast<std::uint8_t>(k1 >> 24));
  }
  std::uint8_t Stream() const {
    std::uint32_t t = (k2 & 0xFFFF) | 2;
    return static_cast<std::uint8_t>((t * (t ^ 1)) >> 8);
  }
  std::uint8_t Encrypt(std::uint8_t plain) {
    std::uint8_t c = plain ^ Stream();
    Update(plain);
    return c;
  }
};

}  // namespace

std::uint32_t Crc32(const Bytes& data) {
  std::uint32_t crc = 0xFFFFFFFF;
  static std::uint32_t table[256];
  if (table[1] == 0)
    for (std::uint32_t i = 0; i < 256; ++i) {
      std::uint32_t x = i;
      for (int k = 0; k < 8; ++k) x = (x & 1) ? (x >> 1) ^ 0xEDB88320u : x >> 1;
      table[i] = x;
    }
  for (std::uint8_t b : data) crc = table[(crc ^ b) & 0xFF] ^ (crc >> 8);
  return crc ^ 0xFFFFFFFF;
}

Bytes Deflate(const Bytes& data, int level) {
  libdeflate_compressor* compressor = libdeflate_alloc_compressor(level);
  Bytes out(libdeflate_deflate_compress_bound(compressor, data.size()));
  std::size_t n = libdeflate_deflate_compress(compressor, data.data(), data.size(), out.data(), out.size());
  libdeflate_free_compressor(compressor);
  out.resize(n);
  return out;
}

Bytes BuildArchive(const std::vector<ArchiveEntry>& entries, const std::string& comment, std::uint32_t seed) {
  std::mt19937 random(seed);
  Bytes out, central;
  for (const ArchiveEntry& e : entries) {
    std::uint32_t offset = static_cast<std::uint32_t>(out.size());
    std::uint32_t crc = Crc32(e.data);
    std::uint16_t method = e.level > 0 ? 8 : 0;
    Bytes body = e.raw_data ? *e.raw_data : (e.level > 0 ? Deflate(e.data, e.level) : e.data);
    std::uint16_t flags = 0;
    if (!e.password.empty()) {
      Keys keys;
      for (char c : e.password) keys.Update(static_cast<std::uint8_t>(c));
      Bytes header(12);
      for (auto& b : header) b = static_cast<std::uint8_t>(random());
      // The check byte: high byte of the CRC, or of the time when a descriptor follows.
      header[11] = static_cast<std::uint8_t>(e.data_descriptor ? (e.dos_time >> 8) : (crc >> 24));
      Bytes sealed;
      for (auto b : header) sealed.push_back(keys.Encrypt(b));
      for (auto b : body) sealed.push_back(keys.Encrypt(b));
      body = sealed;
      flags |= 1;
    }
    if (e.data_descriptor) flags |= 8;
    if (e.flags) flags = *e.flags;
    if (e.method) method = *e.method;
    std::uint32_t compressed = static_cast<std::uint32_t>(body.size());
    std::uint32_t local_crc = e.crc ? *e.crc : crc;
    std::uint32_t local_compressed = e.compressed_size ? *e.compressed_size : compressed;
    std::uint32_t local_size = static_cast<std::uint32_t>(e.data.size());
    if (e.data_descriptor && e.descriptor_zero_sizes) local_crc = local_compressed = local_size = 0;

    Put32(&out, kLocalSignature);
    Put16(&out, kVersionNeeded);
    Put16(&out, flags);
    Put16(&out, method);
    Put16(&out, e.dos_time);
    Put16(&out, e.dos_date);
    Put32(&out, local_crc);
    Put32(&out, local_compressed);
    Put32(&out, local_size);
    Put16(&out, static_cast<std::uint32_t>(e.name.size()));
    Put16(&out, static_cast<std::uint32_t>(e.extra.size()));
    PutBytes(&out, e.name);
    PutBytes(&out, e.extra);
    PutBytes(&out, body);
    if (e.data_descriptor) {
      Put32(&out, kDescriptorSignature);
      Put32(&out, crc);
      Put32(&out, compressed);
      Put32(&out, static_cast<std::uint32_t>(e.data.size()));
    }

    Put32(&central, kCentralSignature);
    Put16(&central, kVersionMadeBy);
    Put16(&central, kVersionNeeded);
    Put16(&central, flags);
    Put16(&central, method);
    Put16(&central, e.dos_time);
    Put16(&central, e.dos_date);
    Put32(&central, crc);
    Put32(&central, compressed);
    Put32(&central, static_cast<std::uint32_t>(e.data.size()));
    Put16(&central, static_cast<std::uint32_t>(e.name.size()));
    Put16(&central, static_cast<std::uint32_t>(e.extra.size()));
    Put16(&central, 0);  // comment length
    Put16(&central, 0);  // disk number
    Put16(&central, 0);  // internal attributes
    bool directory = !e.name.empty() && (e.name.back() == '/' || e.name.back() == '\\');
    Put32(&central, directory ? 0x10 : 0x20);  // MS-DOS directory or archive attribute
    Put32(&central, offset);
    PutBytes(&central, e.name);
    PutBytes(&central, e.extra);
  }
  std::uint32_t central_offset = static_cast<std::uint32_t>(out.size());
  PutBytes(&out, central);
  Put32(&out, kEndSignature);
  Put16(&out, 0);
  Put16(&out, 0);
  Put16(&out, static_cast<std::uint32_t>(entries.size()));
  Put16(&out, static_cast<std::uint32_t>(entries.size()));
  Put32(&out, static_cast<std::uint32_t>(central.size()));
  Put32(&out, central_offset);
  Put16(&out, static_cast<std::uint32_t>(comment.size()));
  PutBytes(&out, comment);
  return out;
}

std::string ScrambleText(const std::string& text) {
  std::string out = text;
  if (!out.empty()) startup::UnscrambleText(out.data(), static_cast<std::int32_t>(out.size()));
  return out;
}

bool BuildPackage(const Bytes& stub, const PackageFields& f, const Bytes& archive, Bytes* package,
                  std::string* error) {
  if (stub.size() > kStubSize) {
    *error = "the stub is " + std::to_string(stub.size()) + " bytes, more than " + std::to_string(kStubSize);
    return false;
  }
  for (auto [name, value] : {std::pair<const char*, const std::string*>{"title", &f.title},
                             {"INF field", &f.inf},
                             {"info line", &f.info}}) {
    if (value->size() > 255) {
      *error = std::string("the ") + name + " is " + std::to_string(value->size()) + " bytes, more than 255";
      return false;
    }
  }
  Bytes out = stub;
  out.resize(kStubSize, 0);
  PutBytes(&out, std::string("KZB"));
  out.push_back(f.keep_open);
  out.push_back(static_cast<std::uint8_t>(f.title.size()));
  out.push_back(static_cast<std::uint8_t>(f.inf.size()));
  out.push_back(f.needs_admin);
  out.push_back(static_cast<std::uint8_t>(f.info.size()));
  Put32(&out, static_cast<std::uint32_t>(f.welcome.size()));
  Put32(&out, static_cast<std::uint32_t>(f.licence.size()));
  Put32(&out, static_cast<std::uint32_t>(f.extra.size()));
  PutBytes(&out, f.title);
  PutBytes(&out, f.inf);
  PutBytes(&out, ScrambleText(f.info));
  PutBytes(&out, ScrambleText(f.welcome));
  PutBytes(&out, ScrambleText(f.licence));
  PutBytes(&out, f.extra);
  PutBytes(&out, archive);
  if (out.size() > 0xFFFFFFFFull) {
    *error = "the package would be larger than 4 GiB";
    return false;
  }
  *package = std::move(out);
  return true;
}

}  // namespace packer
