// The package writer: a ZIP archive (stored or deflated entries, optional
// traditional encryption, data descriptors and extra fields) and the package
// around it (stub padded to the stub size, header, texts, extra data, archive).
// Used by pellmor-pack and by every test fixture.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace packer {

using Bytes = std::vector<std::uint8_t>;

struct ArchiveEntry {
  std::string name;             // stored bytes of the name, '/' separated
  Bytes data;                   // the plain content
  std::uint16_t dos_time = 0;   // MS-DOS time (2-second units) and date
  std::uint16_t dos_date = (45 << 9) | (1 << 5) | 1;  // 2025-01-01
  int level = 0;                // 0 stores; 1..12 deflates with libdeflate
  std::string password;         // non-empty: traditional ZIP encryption
  bool data_descriptor = false; // flag bit 3 and a signed 16-byte descriptor after the data
  bool descriptor_zero_sizes = false;  // with a descriptor: CRC and sizes 0 in the local header
  Bytes extra;                  // local and central extra field
  // Overrides for damaged fixtures: the values written into the local header.
  std::optional<std::uint16_t> method;
  std::optional<std::uint32_t> crc;
  std::optional<std::uint32_t> compressed_size;
  std::optional<std::uint16_t> flags;
  std::optional<Bytes> raw_data;  // written instead of compressing `data` (still encrypted if password)
};

// Writes the archive; every offset in it counts from its own first byte.
// `seed` makes the encryption headers' random bytes reproducible.
Bytes BuildArchive(const std::vector<ArchiveEntry>& entries, const std::string& comment = "",
                   std::uint32_t seed = 1);

// Raw deflate stream of `data` at libdeflate level 1..12.
Bytes Deflate(const Bytes& data, int level);
// CRC-32 as ZIP uses it.
std::uint32_t Crc32(const Bytes& data);

struct PackageFields {
  std::string title;    // plain, at most 255 bytes
  std::string inf;      // plain, at most 255 bytes
  std::string info;     // at most 255 bytes; stored scrambled
  std::string welcome;  // stored scrambled
  std::string licence;  // stored scrambled
  Bytes extra;          // not interpreted by the stub
  std::uint8_t keep_open = 0;
  std::uint8_t needs_admin = 0;
};

constexpr std::size_t kStubSize = 34304;

// Stub (padded with zeros to kStubSize) + header + texts + extra + archive. Returns
// false with `error` set when a field does not fit or the stub is too large.
bool BuildPackage(const Bytes& stub, const PackageFields& fields, const Bytes& archive, Bytes* package,
                  std::string* error);

// Scrambles (or unscrambles) a text with the package key stream.
std::string ScrambleText(const std::string& text);

}  // namespace packer
