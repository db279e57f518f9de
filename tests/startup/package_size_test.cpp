// The integrity check of a downloaded package: the file must end with the ZIP
// end record and its comment, or with the trailer marker "QWJ" and any byte.
#include <gtest/gtest.h>

#include "platform/posix/standin.h"
#include "startup/package_size.h"
#include "startup/setup_state.h"
#include "support/packages.h"
#include "support/test_env.h"
#include "ui/messages.h"

namespace {

using startup::g_Setup;
using Bytes = packer::Bytes;

Bytes Package(const std::string& comment = "") {
  packer::ArchiveEntry e;
  e.name = "a.txt";
  e.data = {'h', 'i'};
  return testenv::MakePackage({}, {e}, comment);
}

Bytes Append(Bytes b, const std::string& tail) {
  b.insert(b.end(), tail.begin(), tail.end());
  return b;
}

Bytes EndRecord(std::uint16_t comment_length) {
  Bytes r = {0x50, 0x4B, 0x05, 0x06};
  r.resize(20, 0);
  r.push_back(static_cast<std::uint8_t>(comment_length));
  r.push_back(static_cast<std::uint8_t>(comment_length >> 8));
  return r;
}

class PackageSizeTest : public testenv::Env {
 protected:
  // True when the check passed; false when it showed its message and ended the program.
  bool Check(const Bytes& bytes, bool fail_size_query = false) {
    testenv::OpenPackage("C:\\Setup.exe", bytes);
    standin::FailFileSizeQuery(fail_size_query);
    try {
      startup::CheckPackageSize();
    } catch (const standin::ProcessExit& exit) {
      EXPECT_EQ(exit.code, 0u);
      EXPECT_EQ(standin::RecordedMessageBoxes().size(), 1u);
      EXPECT_EQ(standin::RecordedMessageBoxes().at(0).text, ui::kTextBadSize);
      EXPECT_EQ(standin::RecordedMessageBoxes().at(0).caption, ui::kCaptionError);
      EXPECT_EQ(standin::RecordedMessageBoxes().at(0).type, MB_OK | MB_ICONERROR);
      EXPECT_FALSE(g_Setup.SizeCheckPassed);
      // The check closed the package file: a second close fails.
      return false;
    }
    EXPECT_TRUE(g_Setup.SizeCheckPassed);
    EXPECT_TRUE(standin::RecordedMessageBoxes().empty());
    CloseHandle(g_Setup.PackageFile);
    return true;
  }
};

TEST_F(PackageSizeTest, Cases) {
  Bytes big_comment_package = Package(std::string(65535, 'c'));
  Bytes cut = Package();
  cut.resize(cut.size() - 30);
  // A stray end record early in the window whose length does not reach the end,
  // then the real one that does.
  Bytes two_records = Append(Package(), "");
  {
    Bytes stray = EndRecord(3);
    two_records.insert(two_records.begin() + 34304 + 20 + 2, stray.begin(), stray.end());
  }
  Bytes end_record_at_one = EndRecord(0);
  end_record_at_one.insert(end_record_at_one.begin(), 0);
  Bytes tiny_qwj(30, 'x');
  tiny_qwj[26] = 'Q', tiny_qwj[27] = 'W', tiny_qwj[28] = 'J';
  struct Case {
    const char* what;
    Bytes bytes;
    bool passes;
  } cases[] = {
      {"end record without comment at the very end", Package(), true},
      {"end record with a 100-byte comment", Package(std::string(100, 'c')), true},
      {"end record with the longest comment (window edge)", big_comment_package, true},
      {"one byte appended", Append(Package(), "x"), false},
      {"appended trailer marker QWJ plus any byte", Append(Package(), "QWJ\xff"), true},
      {"appended QWJ without a fourth byte", Append(Package(), "QWJ"), false},
      {"lowercase trailer is not the marker", Append(Package(), "qwjX"), false},
      {"a small file ending in QWJ passes on the marker alone", tiny_qwj, true},
      {"cut short inside the archive", cut, false},
      {"22 bytes", Bytes(22, 0), false},
      {"end record alone, exactly 22 bytes", EndRecord(0), false},
      {"23 bytes holding an end record at 1", end_record_at_one, true},
      {"stray signature skipped, the later record passes", two_records, true},
      {"comment length one short of the end", Append(Package("ab"), "c"), false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TearDown();
    SetUp();
    EXPECT_EQ(Check(c.bytes), c.passes);
  }
}

TEST_F(PackageSizeTest, FailedSizeQueryFails) { EXPECT_FALSE(Check(Package(), true)); }

TEST_F(PackageSizeTest, TailIsReadInOneBlockNoLargerThanTheWindow) {
  Bytes bytes = Package(std::string(1000, 'c'));
  bytes.insert(bytes.begin() + 34400, 200000, 0);  // a large package: the extra data grows
  // The stub's offset fields are not looked at by the check, so the inserted bytes are harmless.
  standin::ResetHeapPeak();
  long long before = standin::HeapInUse();
  EXPECT_TRUE(Check(bytes));
  EXPECT_LE(standin::HeapPeak() - before, 65558);
  EXPECT_EQ(standin::HeapInUse(), before);  // the block was freed
}

}  // namespace
