// ReadNextLocalHeader over hand-made byte runs: both signatures, data descriptors
// passed over (one or several in a row), and what a non-header leaves behind.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "archive/local_header.h"
#include "archive/path_utils.h"
#include "platform/posix/standin.h"
#include "startup/setup_state.h"
#include "support/packages.h"
#include "support/test_env.h"

namespace {

using startup::g_Setup;
using Bytes = packer::Bytes;

void Put16(Bytes* out, unsigned v) {
  out->push_back(static_cast<std::uint8_t>(v));
  out->push_back(static_cast<std::uint8_t>(v >> 8));
}
void Put32(Bytes* out, std::uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}

// A 30-byte local header with the given signature, compressed size and lengths.
Bytes Header(std::uint32_t signature, std::uint32_t compressed, unsigned name_length, unsigned extra_length) {
  Bytes h;
  Put32(&h, signature);
  Put16(&h, 20);          // version needed
  Put16(&h, 0x0008);      // flags: bit 3
  Put16(&h, 8);           // method
  Put16(&h, 0x6000);      // time
  Put16(&h, 0x5A21);      // date
  Put32(&h, 0xCAFEF00D);  // CRC-32
  Put32(&h, compressed);
  Put32(&h, 1234);        // uncompressed size
  Put16(&h, name_length);
  Put16(&h, extra_length);
  return h;
}

Bytes Descriptor() {
  Bytes d;
  Put32(&d, 0x08074b50);
  Put32(&d, 0x11111111);
  Put32(&d, 0x22222222);
  Put32(&d, 0x33333333);
  return d;
}

Bytes Cat(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

class LocalHeaderTest : public testenv::Env {
 protected:
  void TearDown() override {
    if (g_Setup.PackageFile) CloseHandle(g_Setup.PackageFile);
    Env::TearDown();
  }
  // Writes the bytes as the package file and seeks to `offset`, as the walk does.
  void Open(const Bytes& bytes, std::int32_t offset = 0) {
    testenv::OpenPackage("C:\\archive.bin", bytes);
    g_Setup.LocalSignature = 0x04034b50;
    archive::SeekPackage(offset, archive::kSeekFromStart);
  }
  static std::uint32_t Field32(unsigned offset) {
    std::uint32_t v;
    std::memcpy(&v, g_Setup.LocalHeader + offset, 4);
    return v;
  }
};

TEST_F(LocalHeaderTest, AcceptsBothSignaturesWithTheSameFieldOffsets) {
  for (std::uint32_t signature : {0x04034b50u, 0x50000000u}) {
    Open(Header(signature, 777, 5, 9));
    ASSERT_TRUE(archive::ReadNextLocalHeader()) << std::hex << signature;
    EXPECT_EQ(g_Setup.CompressedLeft, 777);
    EXPECT_EQ(Field32(0), signature);
    EXPECT_EQ(Field32(14), 0xCAFEF00Du);
    EXPECT_EQ(g_Setup.LocalHeader[26], 5);
    EXPECT_EQ(g_Setup.LocalHeader[28], 9);
    CloseHandle(g_Setup.PackageFile);
    g_Setup.PackageFile = nullptr;
  }
}

TEST_F(LocalHeaderTest, RefusesOtherSignaturesAndClearsCompressedLeft) {
  const std::pair<const char*, std::uint32_t> cases[] = {
      {"central directory header", 0x02014b50},
      {"end record", 0x06054b50},
      {"local signature plus one", 0x04034b51},
      {"byte-swapped local signature", 0x504b0304},
  };
  for (const auto& [what, signature] : cases) {
    Open(Header(signature, 777, 5, 0));
    g_Setup.CompressedLeft = 99;
    EXPECT_FALSE(archive::ReadNextLocalHeader()) << what;
    EXPECT_EQ(g_Setup.CompressedLeft, 0) << what;
    EXPECT_EQ(Field32(0), signature) << what << ": the stopping signature stays readable";
    CloseHandle(g_Setup.PackageFile);
    g_Setup.PackageFile = nullptr;
  }
}

TEST_F(LocalHeaderTest, PassesOverOneOrSeveralDescriptorsInARow) {
  for (int descriptors : {1, 2, 5}) {
    Bytes bytes;
    for (int i = 0; i < descriptors; ++i) bytes = Cat({bytes, Descriptor()});
    bytes = Cat({bytes, Header(0x04034b50, 42, 3, 0)});
    Open(bytes);
    ASSERT_TRUE(archive::ReadNextLocalHeader()) << descriptors;
    EXPECT_EQ(g_Setup.CompressedLeft, 42);
    EXPECT_EQ(g_Setup.FilePos, 16 * descriptors) << "FilePos names the header found";
    CloseHandle(g_Setup.PackageFile);
    g_Setup.PackageFile = nullptr;
  }
}

TEST_F(LocalHeaderTest, DescriptorFollowedByTheCentralDirectoryEndsTheWalk) {
  Bytes central;
  Put32(&central, 0x02014b50);
  central.resize(46, 0);
  Open(Cat({Descriptor(), central}));
  EXPECT_FALSE(archive::ReadNextLocalHeader());
  EXPECT_EQ(Field32(0), 0x02014b50u);
}

TEST_F(LocalHeaderTest, HeaderBehindAnExtraFieldAndData) {
  // First entry: name "abc", 6 extra bytes, 4 data bytes; the second header stands behind them.
  Bytes first = Cat({Header(0x04034b50, 4, 3, 6), Bytes{'a', 'b', 'c'}, Bytes(6, 0xEE), Bytes{1, 2, 3, 4}});
  Open(Cat({first, Header(0x04034b50, 0, 1, 0), Bytes{'z'}}));
  ASSERT_TRUE(archive::ReadNextLocalHeader());
  archive::SeekPackage(30 + 3 + 6 + 4, archive::kSeekFromStart);
  ASSERT_TRUE(archive::ReadNextLocalHeader());
  EXPECT_EQ(g_Setup.FilePos, 43);
  EXPECT_EQ(g_Setup.CompressedLeft, 0) << "compressed size 0 is taken as it stands";
}

TEST_F(LocalHeaderTest, EndOfFileAndShortReadsLeaveNoSignatureAndNoStaleFields) {
  Open(Header(0x04034b50, 777, 5, 9));
  ASSERT_TRUE(archive::ReadNextLocalHeader());
  archive::SeekPackage(28, archive::kSeekFromStart);  // two bytes left
  EXPECT_FALSE(archive::ReadNextLocalHeader());
  EXPECT_EQ(Field32(0), 0x00000009u) << "the two bytes read, zeros behind them";
  archive::SeekPackage(30, archive::kSeekFromStart);  // nothing left
  EXPECT_FALSE(archive::ReadNextLocalHeader());
  for (unsigned i = 0; i < 30; ++i) EXPECT_EQ(g_Setup.LocalHeader[i], 0) << i;
}

TEST_F(LocalHeaderTest, CutHeaderIsAcceptedWithZerosWhereTheFileEnded) {
  Bytes cut = Header(0x04034b50, 777, 5, 9);
  cut.resize(20);  // signature .. part of the compressed size
  Open(cut);
  ASSERT_TRUE(archive::ReadNextLocalHeader());
  EXPECT_EQ(g_Setup.LocalHeader[26], 0) << "name length of a cut header is 0, never a stale value";
}

TEST_F(LocalHeaderTest, FailedSeekEndsTheWalk) {
  Open(Cat({Header(0x04034b50, 1, 0, 0), Header(0x04034b50, 2, 0, 0)}));
  archive::SeekPackage(-1, archive::kSeekFromStart);
  ASSERT_EQ(g_Setup.FilePos, -1);
  EXPECT_FALSE(archive::ReadNextLocalHeader()) << "the file still stands at 0, where a header is";
  EXPECT_EQ(Field32(0), 0u);
}

}  // namespace
