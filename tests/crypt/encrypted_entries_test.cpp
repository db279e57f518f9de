// Encrypted entries made at test time by Info-ZIP zip (-P, flag bit 3 set) and
// 7-Zip (ZipCrypto, bit 3 clear), stored and deflated: the local header is
// parsed here, the password checked on the 12-byte header, and the data
// deciphered and copied or inflated as extraction does it.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "archive/zip_format.h"
#include "crypt/zip_crypto.h"
#include "decode/decode_harness.h"
#include "decode/reference_codecs.h"

namespace {

using startup::g_Setup;

struct LocalEntry {
  std::string name;
  u16 flags, method;
  u32 time_date, crc, compressed_size;
  size_t data_offset;  // first byte after the local header, name and extra field
  std::string local_header;
};

// Every local header of a ZIP file, in order.
std::vector<LocalEntry> LocalEntries(const std::string& zip) {
  std::vector<LocalEntry> out;
  const u8* p = reinterpret_cast<const u8*>(zip.data());
  size_t at = 0;
  while (at + archive::kLocalHeaderSize <= zip.size() && ReadLe32(p + at) == archive::kLocalSignaturePlusOne - 1) {
    LocalEntry e;
    e.flags = ReadLe16(p + at + archive::kLhFlags);
    e.method = ReadLe16(p + at + archive::kLhMethod);
    e.time_date = ReadLe32(p + at + archive::kLhTime);
    e.crc = ReadLe32(p + at + archive::kLhCrc);
    e.compressed_size = ReadLe32(p + at + archive::kLhCompressedSize);
    u16 name_length = ReadLe16(p + at + archive::kLhNameLength);
    u16 extra_length = ReadLe16(p + at + archive::kLhExtraLength);
    e.name = zip.substr(at + archive::kLocalHeaderSize, name_length);
    e.local_header = zip.substr(at, archive::kLocalHeaderSize);
    e.data_offset = at + archive::kLocalHeaderSize + name_length + extra_length;
    out.push_back(e);
    at = e.data_offset + e.compressed_size;
    if (e.flags & archive::kFlagDataDescriptor) {
      at += ReadLe32(p + at) == archive::kDataDescriptorSignature ? 16 : 12;
    }
  }
  return out;
}

class EncryptedEntries : public testenv::Env {
 protected:
  void SetUp() override {
    Env::SetUp();
    dir_ = root_ + "/tools";
    mkdir(dir_.c_str(), 0755);
    files_ = {
        {"text.txt", decodetest::MakeData(decodetest::DataKind::Text, 90000, 1)},
        {"mixed.bin", decodetest::MakeData(decodetest::DataKind::Mixed, 70000, 2)},
        {"random.bin", decodetest::MakeData(decodetest::DataKind::Random, 40000, 3)},
        {"small.txt", "five"},
        {"empty.txt", ""},
    };
    for (auto& f : files_) testenv::WriteHostFile(dir_ + "/" + f.first, f.second);
  }
  // Runs a tool in the scratch folder; the archive it made, as bytes.
  std::string MakeZip(const std::string& command, const std::string& zip_name) {
    std::string line = "cd '" + dir_ + "' && " + command + " >/dev/null 2>&1";
    EXPECT_EQ(std::system(line.c_str()), 0) << line;
    return testenv::ReadHostFile(dir_ + "/" + zip_name);
  }
  std::string Names() const {
    std::string names;
    for (auto& f : files_) names += " " + f.first;
    return names;
  }
  const std::string& Original(const std::string& name) const {
    for (auto& f : files_)
      if (f.first == name) return f.second;
    static std::string none;
    ADD_FAILURE() << "unexpected entry " << name;
    return none;
  }

  // Checks the password on the entry's header and, when it passes, copies or
  // inflates the rest from the package file (the whole archive).
  decodetest::Outcome Extract(const std::string& zip, const LocalEntry& e, const char* password, bool* passed) {
    HeaderBytes(zip, e);
    *passed = zipcrypt::CheckEncryptionHeader(header_, 12, e.flags, e.crc, e.time_date, password);
    std::memcpy(g_Setup.LocalHeader, e.local_header.data(), archive::kLocalHeaderSize);
    if (!*passed) return {};
    return decodetest::RunEntry(root_, e.method == 0 ? decodetest::Method::Stored : decodetest::Method::Deflated,
                                zip.substr(e.data_offset + 12), true, static_cast<long long>(e.compressed_size) - 12,
                                zip.substr(0, e.data_offset + 12));
  }
  void HeaderBytes(const std::string& zip, const LocalEntry& e) {
    std::memcpy(header_, zip.data() + e.data_offset, 12);
    std::memcpy(header_ + 12, header_, 12);
  }

  void ExpectEveryEntryExtracts(const std::string& zip, u16 expected_bit3, u16 method) {
    std::vector<LocalEntry> entries = LocalEntries(zip);
    ASSERT_EQ(entries.size(), files_.size());
    for (const LocalEntry& e : entries) {
      SCOPED_TRACE(e.name);
      ASSERT_TRUE(e.flags & archive::kFlagEncrypted);
      EXPECT_EQ(e.flags & archive::kFlagDataDescriptor, expected_bit3);
      if (method != 0xFFFF) {
        EXPECT_EQ(e.method, method);
      }
      bool passed;
      decodetest::Outcome got = Extract(zip, e, "pw", &passed);
      ASSERT_TRUE(passed);
      EXPECT_TRUE(got.output == Original(e.name)) << got.output.size() << " bytes";
      EXPECT_EQ(got.crc, e.crc);
      EXPECT_EQ(got.crc, decodetest::ZlibCrc(Original(e.name)));
      EXPECT_EQ(got.compressed_left, 0);

      // A wrong password fails the check, or (1 in 256) passes it and then
      // fails the CRC comparison.
      decodetest::Outcome wrong = Extract(zip, e, "pW", &passed);
      if (passed) {
        EXPECT_NE(wrong.crc, e.crc);
      }
      // The same buffer, checked again with the right password, still passes.
      EXPECT_TRUE(zipcrypt::CheckEncryptionHeader(header_, 12, e.flags, e.crc, e.time_date, "pw"));
    }
  }

  std::string dir_;
  std::vector<std::pair<std::string, std::string>> files_;
  u8 header_[24];
};

TEST_F(EncryptedEntries, InfoZipDeflatedWithDataDescriptors) {
  ExpectEveryEntryExtracts(MakeZip("zip -q -9 -P pw iz.zip" + Names(), "iz.zip"), archive::kFlagDataDescriptor,
                           0xFFFF);  // zip stores what does not shrink
}

TEST_F(EncryptedEntries, InfoZipStored) {
  ExpectEveryEntryExtracts(MakeZip("zip -q -0 -P pw iz0.zip" + Names(), "iz0.zip"), archive::kFlagDataDescriptor,
                           archive::kMethodStored);
}

TEST_F(EncryptedEntries, SevenZipZipCryptoDeflated) {
  ExpectEveryEntryExtracts(MakeZip("7z a -tzip -mem=ZipCrypto -mx=7 -ppw 7z.zip" + Names(), "7z.zip"), 0, 0xFFFF);
}

TEST_F(EncryptedEntries, SevenZipZipCryptoStored) {
  ExpectEveryEntryExtracts(MakeZip("7z a -tzip -mem=ZipCrypto -mx=0 -ppw 7z0.zip" + Names(), "7z0.zip"), 0,
                           archive::kMethodStored);
}

}  // namespace
