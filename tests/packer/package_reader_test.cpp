// list, test and extract read packages with the installer's own code: these
// packages are made with the package writer, many of them damaged on purpose,
// and the verdict must be the installer's.
#include "packer/package_reader.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>

#include "packer/exit_codes.h"
#include "packer/package_writer.h"
#include "support/packages.h"
#include "support/test_env.h"

namespace packer {
namespace {

Bytes Text(const std::string& s) { return Bytes(s.begin(), s.end()); }

ArchiveEntry File(const std::string& name, const std::string& content, int level = 0) {
  ArchiveEntry e;
  e.name = name;
  e.data = Text(content);
  e.level = level;
  return e;
}

class PackageReaderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/pellmor-reader-XXXXXX";
    dir_ = mkdtemp(pattern);
  }
  void TearDown() override { std::system(("rm -rf '" + dir_ + "'").c_str()); }

  std::string Write(const Bytes& package) {
    std::string path = dir_ + "/Setup.exe";
    testenv::WriteHostFile(path, package);
    return path;
  }

  ReadResult Read(ReadMode mode, const Bytes& package, const std::string& password = "") {
    ReadRequest request;
    request.mode = mode;
    request.package_path = Write(package);
    request.password = password;
    request.extract_dir = dir_ + "/out";
    ReadResult result;
    EXPECT_TRUE(ReadPackage(request, &result));
    return result;
  }

  static Bytes Package(const std::vector<ArchiveEntry>& entries, const std::string& inf = "><setup.inf") {
    PackageFields fields;
    fields.title = "Title";
    fields.inf = inf;
    fields.info = "info";
    fields.welcome = "Welcome\r\n";
    return testenv::MakePackage(fields, entries);
  }

  static std::string AllProblems(const ReadResult& r) {
    std::string all;
    for (const std::string& p : r.problems) all += p + "\n";
    return all;
  }

  std::string dir_;
};

TEST_F(PackageReaderTest, ASoundPackageTestsAndExtractsWhole) {
  std::vector<ArchiveEntry> entries = {File("setup.inf", "[Version]\r\n"), File("docs/", ""),
                                       File("docs/big.txt", std::string(100000, 'x'), 9),
                                       File("docs/small.txt", "small", 1)};
  entries[2].dos_time = (10 << 11) | (20 << 5) | 15;  // 10:20:30
  ReadResult test = Read(ReadMode::Test, Package(entries));
  EXPECT_TRUE(test.problems.empty()) << AllProblems(test);
  ASSERT_EQ(test.entries.size(), 4u);
  EXPECT_EQ(test.entries[2].entry.method, 8);
  EXPECT_EQ(test.header.title, "Title");
  EXPECT_EQ(test.header.welcome, "Welcome\r\n") << "texts come back unscrambled";
  EXPECT_TRUE(test.header.size_check_passed);

  ReadResult extract = Read(ReadMode::Extract, Package(entries));
  EXPECT_TRUE(extract.problems.empty()) << AllProblems(extract);
  EXPECT_EQ(testenv::ListTree(dir_ + "/out"),
            (std::vector<std::string>{"docs/", "docs/big.txt", "docs/small.txt", "setup.inf"}));
  EXPECT_EQ(testenv::ReadHostFile(dir_ + "/out/docs/big.txt"), std::string(100000, 'x'));
  struct stat info;
  ASSERT_EQ(stat((dir_ + "/out/docs/big.txt").c_str(), &info), 0);
  struct tm local;
  time_t when = info.st_mtime;
  localtime_r(&when, &local);
  EXPECT_EQ(local.tm_hour * 3600 + local.tm_min * 60 + local.tm_sec, 10 * 3600 + 20 * 60 + 30);
}

TEST_F(PackageReaderTest, DamagedEntriesGetTheInstallersVerdict) {
  struct Case {
    const char* what;
    ArchiveEntry entry;
    EntryStatus status;
    const char* message;
  };
  ArchiveEntry bad_crc = File("b.txt", "some data", 6);
  bad_crc.crc = 0x12345678;
  ArchiveEntry bad_method = File("b.txt", "some data");
  bad_method.method = 12;
  ArchiveEntry bad_stream = File("b.txt", "some data", 6);
  bad_stream.raw_data = Bytes{0xff, 0xff, 0xff};  // block type 3: invalid
  ArchiveEntry cut_stream = File("b.txt", std::string(5000, 'y'), 6);
  cut_stream.raw_data = Deflate(Text(std::string(5000, 'y') + "tail"), 6);
  cut_stream.raw_data->resize(cut_stream.raw_data->size() / 2);
  const Case cases[] = {
      {"CRC differs", bad_crc, EntryStatus::BadData, "the CRC-32 does not match 12345678"},
      {"unknown method", bad_method, EntryStatus::UnknownMethod, "compression method 12"},
      {"invalid deflate block", bad_stream, EntryStatus::BadData, "Error extracting file(s)."},
      {"deflate stream cut short", cut_stream, EntryStatus::BadData, "damaged"},
  };
  for (const Case& c : cases) {
    ReadResult r = Read(ReadMode::Test, Package({File("setup.inf", "x"), c.entry, File("c.txt", "after")}));
    ASSERT_EQ(r.entries.size(), 3u) << c.what << ": the walk goes on by the stored sizes";
    EXPECT_EQ(r.entries[1].status, c.status) << c.what;
    EXPECT_EQ(r.entries[2].status, EntryStatus::Ok) << c.what;
    EXPECT_EQ(r.status, kExitDamaged) << c.what;
    EXPECT_NE(AllProblems(r).find(c.message), std::string::npos) << c.what << ": " << AllProblems(r);
    EXPECT_NE(AllProblems(r).find("\"b.txt\""), std::string::npos) << c.what;
  }
}

TEST_F(PackageReaderTest, NamesTheInstallerRefusesStopTheWalkAndWriteNothingOutside) {
  const std::string names[] = {"../evil.txt", "C:/evil.txt", "/evil.txt", "\\\\server\\share\\x", "a//b",
                               "CON",         "nul.txt",     "x:stream",  "sub/../../evil.txt", std::string(258, 'n')};
  for (const std::string& name : names) {
    std::system(("rm -rf '" + dir_ + "/out'").c_str());
    ReadResult r = Read(ReadMode::Extract, Package({File("setup.inf", "x"), File(name, "evil"), File("z.txt", "z")}));
    EXPECT_EQ(r.walk_error, "Invalid filename.") << name;
    EXPECT_EQ(r.entries.size(), 1u) << name << ": the walk stops at the refused name";
    EXPECT_EQ(r.status, kExitDamaged) << name;
    EXPECT_EQ(testenv::ListTree(dir_ + "/out"), std::vector<std::string>{"setup.inf"}) << name;
    EXPECT_FALSE(testenv::HostExists(dir_ + "/evil.txt")) << name;
  }
}

TEST_F(PackageReaderTest, ANameIsReadUpToItsFirstNul) {
  ReadResult r = Read(ReadMode::Extract, Package({File("setup.inf", "x"), File(std::string("ok.txt\0junk", 11), "ok")}));
  EXPECT_TRUE(r.problems.empty()) << AllProblems(r);
  ASSERT_EQ(r.entries.size(), 2u);
  EXPECT_EQ(r.entries[1].entry.name, "ok.txt");
  EXPECT_EQ(testenv::ReadHostFile(dir_ + "/out/ok.txt"), "ok");
}

TEST_F(PackageReaderTest, SizesLeftToADescriptorEndTheWalkEarly) {
  ArchiveEntry streamed = File("b.txt", "streamed data", 6);
  streamed.data_descriptor = true;
  streamed.descriptor_zero_sizes = true;
  ReadResult r = Read(ReadMode::Test, Package({File("setup.inf", "x"), streamed, File("c.txt", "c")}));
  EXPECT_EQ(r.status, kExitDamaged);
  EXPECT_NE(AllProblems(r).find("on bytes that begin neither an entry nor the archive"), std::string::npos) << AllProblems(r);
}

TEST_F(PackageReaderTest, DescriptorsWithSizesInTheHeaderArePassedOver) {
  ArchiveEntry described = File("b.txt", "described data", 6);
  described.data_descriptor = true;
  ArchiveEntry locked = File("c.txt", "locked with a descriptor");
  locked.data_descriptor = true;
  locked.password = "pw";  // the check byte is then the time's high byte
  locked.dos_time = 0xAB00;
  ReadResult r = Read(ReadMode::Test, Package({File("setup.inf", "x"), described, locked}), "pw");
  EXPECT_TRUE(r.problems.empty()) << AllProblems(r);
  EXPECT_EQ(r.entries.size(), 3u);
}

TEST_F(PackageReaderTest, PasswordsAreCheckedLikeTheInstallerChecksThem) {
  ArchiveEntry a = File("a.txt", "first secret", 6);
  a.password = "right";
  ArchiveEntry b = File("b.txt", "second secret");
  b.password = "right";
  Bytes package = Package({File("setup.inf", "x"), a, b});

  ReadResult none = Read(ReadMode::Test, package);
  EXPECT_EQ(none.status, kExitPassword);
  EXPECT_NE(AllProblems(none).find("2 entries are encrypted and not checked"), std::string::npos) << AllProblems(none);

  ReadResult wrong = Read(ReadMode::Extract, package, "wrong");
  EXPECT_EQ(wrong.status, kExitPassword);
  EXPECT_EQ(wrong.entries[1].status, EntryStatus::WrongPassword);
  EXPECT_FALSE(testenv::HostExists(dir_ + "/out/a.txt"));

  ReadResult right = Read(ReadMode::Extract, package, "right");
  EXPECT_TRUE(right.problems.empty()) << AllProblems(right);
  EXPECT_EQ(testenv::ReadHostFile(dir_ + "/out/a.txt"), "first secret");
  EXPECT_EQ(testenv::ReadHostFile(dir_ + "/out/b.txt"), "second secret");
}

TEST_F(PackageReaderTest, DirectoryEntriesNeedNoPassword) {
  ArchiveEntry folder = File("docs/", "");
  folder.password = "pw";
  ReadResult r = Read(ReadMode::Extract, Package({File("setup.inf", "x"), folder}));
  EXPECT_TRUE(r.problems.empty()) << AllProblems(r);
  EXPECT_EQ(testenv::ListTree(dir_ + "/out"), (std::vector<std::string>{"docs/", "setup.inf"}));
}

TEST_F(PackageReaderTest, ASizeReachingPast4GiBEndsTheWalk) {
  ArchiveEntry wrapped = File("b.txt", "b");
  wrapped.compressed_size = 0xFFFFFFF0u;  // data start + this wraps round to an earlier header
  ReadResult r = Read(ReadMode::Test, Package({File("setup.inf", "x"), wrapped, File("c.txt", "c")}));
  EXPECT_EQ(r.entries.size(), 1u);
  EXPECT_EQ(r.status, kExitDamaged);
  EXPECT_NE(AllProblems(r).find("past the 4 GiB"), std::string::npos) << AllProblems(r);
}

TEST_F(PackageReaderTest, TheAlternativeLocalSignatureBeginsAnEntry) {
  Bytes package = Package({File("setup.inf", "x"), File("b.txt", "b")});
  ReadResult first = Read(ReadMode::List, package);
  std::size_t at = static_cast<std::size_t>(first.header.archive_base);
  ASSERT_EQ(package[at], 'P');
  package[at] = 0x00;
  package[at + 1] = 0x00;
  package[at + 2] = 0x00;
  package[at + 3] = 0x50;
  ReadResult r = Read(ReadMode::Test, package);
  EXPECT_TRUE(r.problems.empty()) << AllProblems(r);
  EXPECT_EQ(r.entries.size(), 2u);
}

TEST_F(PackageReaderTest, TheArchiveIsFoundByTheStoredLengthsEvenBehindATitleWithANul) {
  PackageFields fields;
  fields.title = std::string("Ti\0tle", 6);
  fields.inf = "><setup.inf";
  ReadResult r = Read(ReadMode::Test, testenv::MakePackage(fields, {File("setup.inf", "x")}));
  EXPECT_TRUE(r.problems.empty()) << AllProblems(r);
  EXPECT_EQ(r.header.title, "Ti") << "the title as the installer shows it";
  EXPECT_EQ(r.entries.size(), 1u);
}

TEST_F(PackageReaderTest, PackageLevelFaults) {
  ReadResult empty = Read(ReadMode::Test, Package({}));
  EXPECT_NE(AllProblems(empty).find("holds no entry"), std::string::npos) << AllProblems(empty);

  ReadResult inf = Read(ReadMode::Test, Package({File("setup.inf", "x")}, "><other.inf"));
  EXPECT_NE(AllProblems(inf).find("the INF field \"><other.inf\" names no file"), std::string::npos)
      << AllProblems(inf);
  EXPECT_TRUE(Read(ReadMode::List, Package({File("setup.inf", "x")}, "><other.inf")).problems.empty())
      << "list only shows the field";

  Bytes no_magic = Package({File("setup.inf", "x")});
  no_magic[kStubSize] = 'X';
  ReadResult foreign = Read(ReadMode::Test, no_magic);
  EXPECT_FALSE(foreign.header.has_header);
  EXPECT_NE(AllProblems(foreign).find("not a Pellmor package"), std::string::npos);

  Bytes cut = Package({File("setup.inf", "x")});
  cut.pop_back();
  ReadResult short_file = Read(ReadMode::Test, cut);
  EXPECT_FALSE(short_file.header.size_check_passed);
  EXPECT_NE(AllProblems(short_file).find("Incorrect file size"), std::string::npos);

  Bytes huge = Package({File("setup.inf", "x")});
  huge[kStubSize + 12] = 0xff;  // LicenceLen far beyond the file: the header is damaged
  huge[kStubSize + 13] = 0xff;
  huge[kStubSize + 14] = 0xff;
  ReadResult damaged = Read(ReadMode::List, huge);
  EXPECT_FALSE(damaged.header.texts_read);
  EXPECT_EQ(damaged.status, kExitDamaged);
}

TEST_F(PackageReaderTest, ExtractionReplacesFilesButRefusesLinks) {
  Bytes package = Package({File("setup.inf", "new"), File("sub/f.txt", "f")});
  ASSERT_EQ(mkdir((dir_ + "/out").c_str(), 0755), 0);
  testenv::WriteHostFile(dir_ + "/out/setup.inf", std::string("old"));
  ReadResult replaced = Read(ReadMode::Extract, package);
  EXPECT_TRUE(replaced.problems.empty()) << AllProblems(replaced);
  EXPECT_EQ(testenv::ReadHostFile(dir_ + "/out/setup.inf"), "new");

  ASSERT_EQ(mkdir((dir_ + "/elsewhere").c_str(), 0755), 0);
  std::system(("rm -rf '" + dir_ + "/out/sub'").c_str());
  ASSERT_EQ(symlink((dir_ + "/elsewhere").c_str(), (dir_ + "/out/sub").c_str()), 0);
  ReadResult linked = Read(ReadMode::Extract, package);
  EXPECT_EQ(linked.status, kExitIo);
  EXPECT_EQ(linked.entries[1].status, EntryStatus::LinkInPath);
  EXPECT_EQ(testenv::ListTree(dir_ + "/elsewhere"), std::vector<std::string>{});
}

}  // namespace
}  // namespace packer
