// Path and file utilities: pure string routines as tables, then the ones that
// touch the file system on the test's drive C:.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstring>
#include <string>

#include "archive/path_utils.h"
#include "platform/posix/standin.h"
#include "startup/setup_state.h"
#include "support/packages.h"
#include "support/test_env.h"

namespace {

using startup::g_Setup;

std::string Directory(const std::string& path) {
  char out[260];
  archive::PathDirectory(path.c_str(), out, sizeof out);
  return out;
}

std::string FileName(const std::string& path) {
  char out[260];
  archive::PathFileName(path.c_str(), out, sizeof out);
  return out;
}

TEST(PathDirectory, Cases) {
  const std::pair<const char*, const char*> cases[] = {
      {"C:\\", "C:\\"},          {"C:\\abc", "C:\\"},         {"C:\\abc\\def", "C:\\abc"},
      {"C:\\abc\\def\\", "C:\\abc\\def"}, {"C:abc", "C:"}, {"abc", ""},
      {"", ""},                  {"\\x", ""},                 {"dir/sub/file", "dir/sub"},
      {"C:/abc", "C:/"},         {"a\\b", "a"},
  };
  for (const auto& [path, expected] : cases) EXPECT_EQ(Directory(path), expected) << path;
}

TEST(PathFileName, Cases) {
  const std::pair<std::string, std::string> cases[] = {
      {"C:\\dir\\file.txt", "file.txt"}, {"C:file", "file"}, {"C:\\dir\\", ""},
      {"plain", "plain"}, {"a/b/c.txt", "c.txt"}, {"C:\\" + std::string(300, 'n'), std::string(255, 'n')},
  };
  for (const auto& [path, expected] : cases) EXPECT_EQ(FileName(path), expected) << path;
}

TEST(Backslashes, StripAppendAndConvert) {
  char a[8] = "C:\\x\\\\";
  EXPECT_STREQ(archive::StripBackslash(a), "C:\\x\\");  // at most one removed
  char empty[4] = "";
  EXPECT_STREQ(archive::StripBackslash(empty), "");
  char b[8] = "C:\\x";
  EXPECT_TRUE(archive::AppendBackslash(b, sizeof b));
  EXPECT_STREQ(b, "C:\\x\\");
  EXPECT_TRUE(archive::AppendBackslash(b, sizeof b));  // never doubled
  EXPECT_STREQ(b, "C:\\x\\");
  char c[2] = "";
  EXPECT_TRUE(archive::AppendBackslash(c, sizeof c));
  EXPECT_STREQ(c, "\\");
  char full[4] = "abc";  // no room for one more character: refused, unchanged
  EXPECT_FALSE(archive::AppendBackslash(full, sizeof full));
  EXPECT_STREQ(full, "abc");
  char d[16] = "a/b\\c/d";
  EXPECT_STREQ(archive::SlashesToBackslashes(d), "a\\b\\c\\d");
}

TEST(BufferToString, CutsAtTheFirstNulAndRespectsCapacity) {
  const unsigned char bytes[5] = {'a', 'b', 0, 'c', 'd'};
  char out[8];
  EXPECT_EQ(archive::BufferToString(bytes, 5, out, sizeof out), 2);
  EXPECT_STREQ(out, "ab");
  EXPECT_EQ(archive::BufferToString(bytes, 0, out, sizeof out), 0);
  EXPECT_STREQ(out, "");
  const unsigned char long_name[6] = {'a', 'b', 'c', 'd', 'e', 'f'};
  char small[4];
  EXPECT_EQ(archive::BufferToString(long_name, 6, small, sizeof small), -1);
  EXPECT_STREQ(small, "");
  EXPECT_EQ(archive::PCharLength("hello"), 5);
}

class PathFilesTest : public testenv::Env {};

TEST_F(PathFilesTest, PathExists) {
  mkdir(Host("C:\\dir").c_str(), 0755);
  mkdir(Host("C:\\empty").c_str(), 0755);
  testenv::WriteHostFile(Host("C:\\dir\\file.txt"), "x");
  struct Case {
    const char* path;
    bool exists;
  } cases[] = {
      {"C:\\dir", true},       {"C:\\dir\\", true},  {"C:\\empty\\", true},  // "." is listed
      {"C:/dir/file.txt", true}, {"C:\\dir\\file.txt", true}, {"C:\\dir\\nope.txt", false},
      {"C:\\dir/", false},  // the converted path ends in '\' and is searched unchanged
      {"C:\\dir\\*.txt", true}, {"C:\\dir\\f?le.txt", true}, {"C:\\nodir\\", false}, {"", false},
  };
  for (const Case& c : cases) {
    char path[260];
    std::strcpy(path, c.path);
    EXPECT_EQ(archive::PathExists(path), c.exists) << c.path;
  }
  char converted[32] = "C:/dir/file.txt";
  archive::PathExists(converted);
  EXPECT_STREQ(converted, "C:\\dir\\file.txt");  // the caller sees the converted path
  char kept[32] = "C:/dir/";
  archive::PathExists(kept);
  EXPECT_STREQ(kept, "C:\\dir\\");
  char with_slash_end[32] = "C:/dir\\";
  archive::PathExists(with_slash_end);
  EXPECT_STREQ(with_slash_end, "C:/dir\\");  // a trailing '\' path is searched from a copy
}

TEST_F(PathFilesTest, MakeDirectoriesCreatesParentsFirstAndRecordsThem) {
  mkdir(Host("C:\\a").c_str(), 0755);
  startup::PathList created{};
  archive::MakeDirectories("C:\\a\\b\\c\\", &created);
  EXPECT_TRUE(testenv::HostExists(Host("C:\\a\\b\\c")));
  ASSERT_EQ(created.Count, 2u);
  EXPECT_STREQ(created.Items[0], "C:\\a\\b");
  EXPECT_STREQ(created.Items[1], "C:\\a\\b\\c");
  archive::MakeDirectories("C:\\a\\b\\c", &created);  // exists: nothing more
  EXPECT_EQ(created.Count, 2u);
  archive::MakeDirectories("C:", &created);  // a bare drive is never created
  archive::MakeDirectories("", &created);
  EXPECT_EQ(created.Count, 2u);
  archive::ReleasePaths(&created);
  EXPECT_EQ(created.Items, nullptr);
}

TEST_F(PathFilesTest, MakeDirectoriesStopsQuietlyWhereCreationFails) {
  testenv::WriteHostFile(Host("C:\\file"), "x");  // a file where a directory should be
  startup::PathList created{};
  archive::MakeDirectories("C:\\file\\sub\\deeper", &created);
  EXPECT_EQ(created.Count, 0u);
  EXPECT_FALSE(testenv::HostExists(Host("C:\\file\\sub")));
  archive::ReleasePaths(&created);
}

TEST_F(PathFilesTest, SeekPackageRecordsThePositionOrMinusOne) {
  testenv::OpenPackage("C:\\Setup.exe", packer::Bytes(40000, 7));
  archive::SeekPackage(0x8600, archive::kSeekFromStart);
  EXPECT_EQ(g_Setup.FilePos, 0x8600);
  archive::SeekPackage(-4, archive::kSeekFromEnd);
  EXPECT_EQ(g_Setup.FilePos, 40000 - 4);
  archive::SeekPackage(-50000, archive::kSeekFromEnd);
  EXPECT_EQ(g_Setup.FilePos, -1);
  CloseHandle(g_Setup.PackageFile);
}

TEST_F(PathFilesTest, PathListGrowsPastAnyFixedCount) {
  startup::PathList list{};
  for (int i = 0; i < 1000; ++i) ASSERT_TRUE(archive::AppendPath(&list, ("C:\\f" + std::to_string(i)).c_str()));
  EXPECT_EQ(list.Count, 1000u);
  EXPECT_STREQ(list.Items[999], "C:\\f999");
  archive::ReleasePaths(&list);
}

}  // namespace
