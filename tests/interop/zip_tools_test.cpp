// Archives made at test time by tools nobody here wrote (Info-ZIP zip, 7-Zip,
// bsdtar, Python's zipfile), appended unchanged behind a package header and
// extracted by ExtractArchive: the tree must come out byte-identical, with each
// file's time, or, for the archive shapes the walk cannot follow, the run must
// fail with its message instead of reporting success.
//
// What the walk needs: every local header must give the entry's compressed size
// and CRC-32 (it finds the next header by the size and checks the data against
// that CRC; the central directory is not read). Info-ZIP writing to a file, 7-Zip
// and Python writing to a seekable file do so; Info-ZIP's -e entries carry a
// data descriptor behind full local headers, which the walk passes over. Writers
// that stream, Info-ZIP to a pipe, Python to an unseekable stream, and bsdtar
// always, leave the CRC (and, for deflated entries, the sizes) only in a data
// descriptor behind the data; Info-ZIP reading stdin writes Zip64 sizes
// (0xFFFFFFFF) unless told -fz-. Those archives are refused.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>

#include <cctype>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "archive/extract_run.h"

namespace {

namespace fs = std::filesystem;
using startup::g_Setup;
using Strings = std::vector<std::string>;

bool HaveTool(const std::string& tool) {
  return std::system(("command -v " + tool + " >/dev/null 2>&1").c_str()) == 0;
}

std::string Pattern(std::size_t size, unsigned seed, bool text) {
  std::string out;
  out.reserve(size);
  while (out.size() < size) {
    seed = seed * 1103515245u + 12345u;
    if (text)
      out += "Setup line " + std::to_string((seed >> 16) % 97) + ": the quick brown fox\r\n";
    else
      out += static_cast<char>(seed >> 16);
  }
  out.resize(size);
  return out;
}

struct Case {
  const char* what;
  const char* tool;      // checked with `command -v`; the case is skipped without it
  std::string command;   // run in the source folder; ARCHIVE stands for the archive's path
  std::string password;  // typed once into the password dialog
  Strings boxes;         // expected message boxes; empty = the tree must come out identical
};

void PrintTo(const Case& c, std::ostream* out) { *out << c.what; }

class ZipToolsTest : public extracttest::ExtractEnv {
 protected:
  void SetUp() override {
    ExtractEnv::SetUp();
    char pattern[] = "/tmp/pellmor-interop-XXXXXX";
    scratch_ = mkdtemp(pattern);
    source_ = scratch_ + "/src";
    fs::create_directories(source_ + "/sub/deeper");
    fs::create_directories(source_ + "/emptydir");
    Write("readme.txt", Pattern(60000, 1, true));
    Write("setup.inf", "[Version]\r\nSignature=\"$Chicago$\"\r\n");
    Write("random.bin", Pattern(40000, 2, false));
    Write("chunk.bin", Pattern(32768, 3, false));  // exactly one copy chunk
    Write("empty.txt", "");
    Write("with space.txt", "spaced");
    Write("sub/one.dat", Pattern(5000, 4, true) + Pattern(5000, 5, false));
    Write("sub/deeper/two.txt", Pattern(100000, 6, true));
    // Times the DOS format can hold exactly (even seconds), in the past.
    time_t when = 1500000000;
    for (const auto& entry : fs::recursive_directory_iterator(source_)) {
      when += 2 * 3607;
      struct timespec times[2] = {{when, 0}, {when, 0}};
      utimensat(AT_FDCWD, entry.path().c_str(), times, 0);
    }
  }
  void TearDown() override {
    fs::remove_all(scratch_);
    ExtractEnv::TearDown();
  }
  void Write(const std::string& relative, const std::string& content) {
    std::ofstream(source_ + "/" + relative, std::ios::binary) << content;
  }
  // The archive the command made, or empty when it failed.
  packer::Bytes MakeArchive(const std::string& command) {
    std::string archive = scratch_ + "/made.zip";
    fs::remove(archive);
    std::string line = command;
    for (std::size_t at; (at = line.find("ARCHIVE")) != std::string::npos;) line.replace(at, 7, "'" + archive + "'");
    if (std::system(("cd '" + source_ + "' && (" + line + ") >/dev/null 2>&1").c_str()) != 0) return {};
    std::string bytes = testenv::ReadHostFile(archive);
    return packer::Bytes(bytes.begin(), bytes.end());
  }
  // The local offset of the host's clock at `when`, as the stand-in's bias.
  static int HostBias(time_t when) {
    std::tm local{};
    localtime_r(&when, &local);
    return static_cast<int>(-local.tm_gmtoff / 60);
  }
  void ExpectSameTree() {
    Strings expected = testenv::ListTree(source_);
    EXPECT_EQ(WorkTree(), expected);
    for (const std::string& path : expected) {
      if (path.back() == '/') continue;
      EXPECT_EQ(Content(path), testenv::ReadHostFile(source_ + "/" + path)) << path;
      struct stat made, original;
      ASSERT_EQ(stat(Work(path).c_str(), &made), 0);
      ASSERT_EQ(stat((source_ + "/" + path).c_str(), &original), 0);
      EXPECT_LE(std::labs(made.st_mtime - original.st_mtime), 1) << path << ": time of the entry";
    }
  }
  void Run(const Case& c) {
    if (!HaveTool(c.tool)) GTEST_SKIP() << c.tool << " is not installed";
    packer::Bytes archive = MakeArchive(c.command);
    ASSERT_FALSE(archive.empty()) << c.what << ": " << c.command;
    OpenArchive(archive);
    standin::SetTimeZoneBias(HostBias(1500000000));
    if (!c.password.empty())
      standin::ScriptDialog("DLG_PASS", {standin::Type(101, c.password), standin::Press(1)});
    Extract();
    EXPECT_EQ(Boxes(), c.boxes) << c.what;
    if (c.boxes.empty()) {
      EXPECT_TRUE(g_Setup.Succeeded) << c.what;
      ExpectSameTree();
      EXPECT_EQ(standin::DialogResults("DLG_PASS").size(), c.password.empty() ? 0u : 1u) << c.what;
    } else {
      EXPECT_FALSE(g_Setup.Succeeded) << c.what;
    }
    EXPECT_EQ(OutsideWork(), Strings{}) << c.what;
  }
  std::string scratch_, source_;
};

const Strings kRefused = {"Error extracting file(s). | Error"};

// Adds every directory and file below the current folder with relative names.
std::string Python(const std::string& options) {
  return "python3 -c \"import os, zipfile\n"
         "with zipfile.ZipFile('\"ARCHIVE\"', 'w', " + options + ") as z:\n"
         "    for root, dirs, files in os.walk('.'):\n"
         "        for n in sorted(dirs) + sorted(files):\n"
         "            p = os.path.relpath(os.path.join(root, n), '.')\n"
         "            z.write(p, p)\n\"";
}

// "Info-ZIP level 6" -> "InfoZIPLevel6": the test's name.
std::string CaseName(const ::testing::TestParamInfo<Case>& info) {
  std::string name;
  bool upper = true;
  for (const char* p = info.param.what; *p && *p != ':'; ++p) {
    if (std::isalnum(static_cast<unsigned char>(*p))) {
      name += upper ? static_cast<char>(std::toupper(static_cast<unsigned char>(*p))) : *p;
      upper = false;
    } else {
      upper = true;
    }
  }
  return name;
}

class ExtractsIdentically : public ZipToolsTest, public ::testing::WithParamInterface<Case> {};

TEST_P(ExtractsIdentically, Tree) { Run(GetParam()); }

INSTANTIATE_TEST_SUITE_P(
    Tools, ExtractsIdentically,
    ::testing::Values(
        Case{"Info-ZIP stored", "zip", "zip -q -r -0 ARCHIVE .", "", {}},
        Case{"Info-ZIP level 1", "zip", "zip -q -r -1 ARCHIVE .", "", {}},
        Case{"Info-ZIP level 6", "zip", "zip -q -r -6 ARCHIVE .", "", {}},
        Case{"Info-ZIP level 9", "zip", "zip -q -r -9 ARCHIVE .", "", {}},
        Case{"Info-ZIP ZipCrypto, stored: descriptors behind full headers", "zip",
             "zip -q -r -0 -P 'pass word' ARCHIVE .", "pass word", {}},
        Case{"Info-ZIP ZipCrypto, deflated", "zip", "zip -q -r -9 -P s3cret ARCHIVE .", "s3cret", {}},
        Case{"7-Zip deflate", "7z", "7z a -tzip -bd ARCHIVE .", "", {}},
        Case{"7-Zip stored", "7z", "7z a -tzip -mx0 -bd ARCHIVE .", "", {}},
        Case{"7-Zip deflate, ultra", "7z", "7z a -tzip -mx9 -bd ARCHIVE .", "", {}},
        Case{"7-Zip ZipCrypto", "7z", "7z a -tzip -mem=ZipCrypto -pKey123 -bd ARCHIVE .", "Key123", {}},
        Case{"Python zipfile stored", "python3", Python("zipfile.ZIP_STORED"), "", {}},
        Case{"Python zipfile deflated, level 1", "python3", Python("zipfile.ZIP_DEFLATED, compresslevel=1"), "",
             {}},
        Case{"Python zipfile deflated, level 9", "python3", Python("zipfile.ZIP_DEFLATED, compresslevel=9"), "",
             {}}),
    CaseName);

class IsRefused : public ZipToolsTest, public ::testing::WithParamInterface<Case> {};

TEST_P(IsRefused, WithItsMessage) { Run(GetParam()); }

INSTANTIATE_TEST_SUITE_P(
    Tools, IsRefused,
    ::testing::Values(
        Case{"Info-ZIP streamed to a pipe: deflated entries without sizes", "zip",
             "zip -q -r -6 - . | cat > ARCHIVE", "", kRefused},
        Case{"Info-ZIP streamed to a pipe, stored: CRC-32 only in the descriptor", "zip",
             "zip -q -r -0 - . | cat > ARCHIVE", "", kRefused},
        Case{"Info-ZIP reading stdin: Zip64 sizes", "zip", "cat readme.txt | zip -q - - > ARCHIVE", "", kRefused},
        Case{"Info-ZIP reading stdin into a pipe", "zip", "cat readme.txt | zip -q -fz- - - | cat > ARCHIVE", "",
             kRefused},
        Case{"bsdtar deflated: always streamed", "bsdtar", "bsdtar --format zip -cf ARCHIVE *", "", kRefused},
        Case{"bsdtar stored: CRC-32 only in the descriptor", "bsdtar",
             "bsdtar --format zip --options zip:compression=store -cf ARCHIVE *", "", kRefused},
        Case{"bsdtar names beginning with ./", "bsdtar",
             "bsdtar --format zip --options zip:compression=store -cf ARCHIVE .", "",
             {"Invalid filename. | Error in archive.."}},
        Case{"Python zipfile to an unseekable stream", "python3",
             "python3 -c \"import sys, zipfile\n"
             "with zipfile.ZipFile(sys.stdout.buffer, 'w', zipfile.ZIP_DEFLATED) as z:\n"
             "    z.write('readme.txt')\" | cat > ARCHIVE",
             "", kRefused},
        Case{"7-Zip Deflate64: an unknown method", "7z", "7z a -tzip -mm=Deflate64 -bd ARCHIVE readme.txt", "",
             {"Unknown compression type | Error"}}),
    CaseName);

// Info-ZIP reading stdin into a file, without Zip64: a full local header, so the
// one entry, named "-", comes out.
TEST_F(ZipToolsTest, InfoZipFromStdinIntoAFile) {
  if (!HaveTool("zip")) GTEST_SKIP() << "zip is not installed";
  packer::Bytes archive = MakeArchive("cat readme.txt | zip -q -fz- - - > ARCHIVE");
  ASSERT_FALSE(archive.empty());
  OpenArchive(archive);
  Extract();
  EXPECT_TRUE(g_Setup.Succeeded);
  EXPECT_EQ(Boxes(), Strings{});
  EXPECT_EQ(WorkTree(), Strings{"-"});
  EXPECT_EQ(Content("-"), testenv::ReadHostFile(source_ + "/readme.txt"));
}

}  // namespace
