// Copying stored entries: chunking around 32 KiB, an empty entry, a package
// that stops delivering, a full disk, no memory.
#include "decode/stored_copy.h"

#include <gtest/gtest.h>

#include <string>

#include "decode/decode_harness.h"
#include "decode/reference_codecs.h"
#include "platform/posix/standin.h"

namespace {

using decodetest::Method;
using decodetest::Outcome;
using decodetest::RunEntry;

class StoredCopy : public testenv::Env {};

TEST_F(StoredCopy, CopiesEverySizeAroundTheChunk) {
  for (size_t size : {size_t{0}, size_t{1}, size_t{32767}, size_t{32768}, size_t{32769}, size_t{100000}}) {
    SCOPED_TRACE(size);
    std::string data = decodetest::MakeData(decodetest::DataKind::Random, size, static_cast<unsigned>(size));
    // The entry stands behind other bytes, and other bytes follow it.
    Outcome got = RunEntry(root_, Method::Stored, data + "NEXT ENTRY", false, static_cast<long long>(size), "PREFIX");
    EXPECT_TRUE(got.output == data);
    EXPECT_EQ(got.crc, decodetest::ZlibCrc(data));
    EXPECT_EQ(got.compressed_left, 0);
    EXPECT_FALSE(got.write_failed);
  }
}

TEST_F(StoredCopy, NothingLeftCopiesNothing) {
  for (long long left : {0LL, -1LL, -12LL}) {
    SCOPED_TRACE(left);
    Outcome got = RunEntry(root_, Method::Stored, "some bytes", false, left);
    EXPECT_EQ(got.output, "");
    EXPECT_EQ(got.crc, 0u);
  }
}

// A package that stops delivering ends the copy (it would loop for ever):
// CompressedLeft becomes 0 and the entry fails its CRC.
TEST_F(StoredCopy, ReadThatDeliversNothingEndsTheCopy) {
  std::string data = decodetest::MakeData(decodetest::DataKind::Text, 80000, 1);
  for (long long limit : {0LL, 10LL, 32768LL, 50000LL}) {
    SCOPED_TRACE(limit);
    standin::LimitReads(limit);
    Outcome got = RunEntry(root_, Method::Stored, data);
    standin::LimitReads(-1);
    EXPECT_EQ(got.output, data.substr(0, static_cast<size_t>(limit)));
    EXPECT_EQ(got.compressed_left, 0);
    EXPECT_NE(got.crc, decodetest::ZlibCrc(data));
  }
}

TEST_F(StoredCopy, ShortWriteLeavesTheUnwrittenBytesOutOfTheCrc) {
  std::string data = decodetest::MakeData(decodetest::DataKind::Text, 80000, 2);
  standin::LimitDiskSpace(50000);
  Outcome got = RunEntry(root_, Method::Stored, data);
  EXPECT_TRUE(got.write_failed);
  EXPECT_EQ(got.output, data.substr(0, 50000));
  EXPECT_EQ(got.crc, decodetest::ZlibCrc(data.substr(0, 50000)));
}

TEST_F(StoredCopy, NoBufferMeansAFailedEntry) {
  long long heap_before = standin::HeapInUse();
  standin::FailAllocationAfter(0);
  Outcome got = RunEntry(root_, Method::Stored, "abc");
  standin::FailAllocationAfter(-1);
  EXPECT_EQ(got.output, "");
  EXPECT_TRUE(got.write_failed);
  EXPECT_EQ(standin::HeapInUse(), heap_before);
}

TEST_F(StoredCopy, BufferIsFreedAndSizedToTheEntry) {
  long long heap_before = standin::HeapInUse();
  standin::ResetHeapPeak();
  RunEntry(root_, Method::Stored, "tiny");
  EXPECT_LE(standin::HeapPeak() - heap_before, 4);
  EXPECT_EQ(standin::HeapInUse(), heap_before);
}

}  // namespace
