// ExtractArchive end to end over the stand-in: packages made with the package
// writer, the person scripted at the password and overwrite dialogs, and every
// file, time, recorded path, message box and progress line checked. The fixture
// checks after every test that nothing was created outside the working directory.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "archive/extract_run.h"
#include "archive/path_utils.h"
#include "platform/memory.h"
#include "ui/messages.h"

namespace {

using extracttest::Directory;
using extracttest::File;
using packer::ArchiveEntry;
using startup::g_Setup;
using Strings = std::vector<std::string>;

const std::string kExtractError = "Error extracting file(s). | Error";

class ExtractTest : public extracttest::ExtractEnv {
 protected:
  void TearDown() override {
    EXPECT_EQ(OutsideWork(), Strings{}) << "created outside the working directory";
    ExtractEnv::TearDown();
  }

 public:
  void Reopen(const std::vector<ArchiveEntry>& entries) {
    CloseHandle(g_Setup.PackageFile);
    g_Setup.PackageFile = nullptr;
    Open(entries);
  }
  // A fresh desktop and an empty drive below C:\TEMP, for the next case of a table.
  void Fresh() {
    standin::Reset();
    standin::SetDriveRoot('C', root_);
    std::filesystem::remove_all(Work());
    archive::ReleasePaths(&g_Setup.CreatedDirs);
    archive::ReleasePaths(&g_Setup.ExtractedFiles);
    g_Setup.OverwriteMode = 2;
  }
  void MakeWorkDir() { mkdir(Work().c_str(), 0755); }
  void Put(const std::string& relative, const std::string& content) {
    MakeWorkDir();
    testenv::WriteHostFile(Work(relative), content);
  }
  void SetTitle(const std::string& title) {
    g_Setup.Title = static_cast<char*>(platform::Alloc(startup::kHeaderTextSize));
    std::strcpy(g_Setup.Title, title.c_str());
    g_Setup.HasTitle = !title.empty();
  }
};

std::string Binary(std::size_t size, unsigned seed) {
  std::string out(size, '\0');
  for (std::size_t i = 0; i < size; ++i) {
    seed = seed * 1103515245u + 12345u;
    out[i] = static_cast<char>(seed >> 16);
  }
  return out;
}

std::string Text(std::size_t size) {
  std::string out;
  while (out.size() < size) out += "line " + std::to_string(out.size() % 977) + " of a setup text file\r\n";
  out.resize(size);
  return out;
}

// --- the main road -------------------------------------------------------------

TEST_F(ExtractTest, WritesStoredFilesAndTheirDirectoriesAndRecordsEveryOne) {
  std::string big = Binary(70000, 7);  // three chunks of the stored copy
  Open({File("setup.inf", "[Version]\r\n"), File("dir/sub/a.txt", "alpha"), File("dir\\b.bin", big),
        File("empty.txt", "")});
  Extract();
  EXPECT_TRUE(g_Setup.Succeeded);
  EXPECT_EQ(Boxes(), Strings{});
  EXPECT_EQ(WorkTree(), (Strings{"dir/", "dir/b.bin", "dir/sub/", "dir/sub/a.txt", "empty.txt", "setup.inf"}));
  EXPECT_EQ(Content("setup.inf"), "[Version]\r\n");
  EXPECT_EQ(Content("dir/sub/a.txt"), "alpha");
  EXPECT_EQ(Content("dir/b.bin"), big);
  EXPECT_EQ(Content("empty.txt"), "");
  // Paths are recorded and shown with '\' separators, in creation order.
  EXPECT_EQ(Recorded(), (Strings{W("setup.inf"), W("dir\\sub\\a.txt"), W("dir\\b.bin"), W("empty.txt")}));
  EXPECT_EQ(CreatedDirs(), (Strings{extracttest::kWorkDir, W("dir"), W("dir\\sub")}));
  EXPECT_EQ(Status(), (Strings{Progress("setup.inf"), Progress("dir\\sub\\a.txt"), Progress("dir\\b.bin"),
                               Progress("empty.txt")}));
  EXPECT_EQ(standin::PeekCount(), 4) << "one message serviced per file";
  EXPECT_EQ(standin::UnscriptedDialogs(), 0);
}

TEST_F(ExtractTest, DeflatedEntriesAtEveryLevelComeOutByteIdentical) {
  std::vector<ArchiveEntry> entries;
  std::vector<std::string> contents;
  for (int level : {1, 3, 6, 9, 12}) {
    contents.push_back(Text(50000 + level) + Binary(3000, level));
    entries.push_back(File("deflated" + std::to_string(level) + ".dat", contents.back(), level));
  }
  entries.push_back(File("tiny.txt", "x", 6));
  entries.push_back(File("nothing.txt", "", 6));
  Open(entries);
  Extract();
  ASSERT_TRUE(g_Setup.Succeeded) << ::testing::PrintToString(Boxes());
  for (std::size_t i = 0; i < contents.size(); ++i) EXPECT_EQ(Content(entries[i].name), contents[i]) << i;
  EXPECT_EQ(Content("tiny.txt"), "x");
  EXPECT_EQ(Content("nothing.txt"), "");
  EXPECT_EQ(Recorded().size(), entries.size());
}

TEST_F(ExtractTest, FileTimeIsTheEntrysDosTimeAsLocalTime) {
  // 2024-02-29 13:37:58 local; the bias is UTC minus local time in minutes.
  const std::uint16_t date = (44 << 9) | (2 << 5) | 29, time = (13 << 11) | (37 << 5) | 29;
  std::tm civil{};
  civil.tm_year = 124;
  civil.tm_mon = 1;
  civil.tm_mday = 29;
  civil.tm_hour = 13;
  civil.tm_min = 37;
  civil.tm_sec = 58;
  const time_t local_as_utc = timegm(&civil);
  for (int bias : {0, -120, 300}) {
    ArchiveEntry stored = File("stored" + std::to_string(bias), "data");
    ArchiveEntry deflated = File("deflated" + std::to_string(bias), Text(1000), 6);
    for (ArchiveEntry* e : {&stored, &deflated}) {
      e->dos_date = date;
      e->dos_time = time;
    }
    standin::SetTimeZoneBias(bias);
    Reopen({stored, deflated});
    Extract();
    ASSERT_TRUE(g_Setup.Succeeded);
    for (const ArchiveEntry* e : {&stored, &deflated}) {
      struct stat info;
      ASSERT_EQ(stat(Work(e->name).c_str(), &info), 0);
      EXPECT_EQ(info.st_mtime, local_as_utc + bias * 60) << e->name;
    }
  }
}

TEST_F(ExtractTest, TrailingBackslashOfWorkDirIsDropped) {
  std::strcat(g_Setup.WorkDir, "\\");
  Open({File("a.txt", "a")});
  Extract();
  EXPECT_TRUE(g_Setup.Succeeded);
  EXPECT_STREQ(g_Setup.WorkDir, extracttest::kWorkDir);
  EXPECT_EQ(Recorded(), Strings{W("a.txt")});
}

TEST_F(ExtractTest, EveryFileIsRecordedBeyondTheFormer255) {
  std::vector<ArchiveEntry> entries;
  for (int i = 0; i < 300; ++i) entries.push_back(File("f/" + std::to_string(i), std::to_string(i)));
  Open(entries);
  Extract();
  EXPECT_TRUE(g_Setup.Succeeded);
  ASSERT_EQ(Recorded().size(), 300u);
  EXPECT_EQ(Recorded()[299], W("f\\299"));
  EXPECT_EQ(Content("f/299"), "299");
  EXPECT_EQ(Status().size(), 300u);
}

// --- the walk ------------------------------------------------------------------

TEST_F(ExtractTest, DataDescriptorsAndExtraFieldsArePassedOver) {
  ArchiveEntry a = File("a.txt", "alpha"), b = File("b.txt", Text(5000), 9), c = File("c.txt", "gamma");
  a.data_descriptor = b.data_descriptor = true;
  b.extra = {0x55, 0x54, 0x05, 0x00, 0x01, 0x10, 0x20, 0x30, 0x40};  // an extended-timestamp field
  c.extra = packer::Bytes(300, 0xAB);
  Open({a, b, c});
  Extract();
  EXPECT_TRUE(g_Setup.Succeeded);
  EXPECT_EQ(Content("a.txt"), "alpha");
  EXPECT_EQ(Content("b.txt"), Text(5000));
  EXPECT_EQ(Content("c.txt"), "gamma");
}

TEST_F(ExtractTest, HeaderWithTheBytes00000050IsAnEntry) {
  packer::Bytes archive = packer::BuildArchive({File("first.txt", "1"), File("second.txt", "2")});
  archive[0] = 0x00, archive[1] = 0x00, archive[2] = 0x00, archive[3] = 0x50;
  OpenArchive(archive);
  Extract();
  EXPECT_TRUE(g_Setup.Succeeded);
  EXPECT_EQ(WorkTree(), (Strings{"first.txt", "second.txt"}));
}

TEST_F(ExtractTest, NameWithANulInsideIsCutBeforeIt) {
  Open({File(std::string("kept\0dropped", 12), "k")});
  Extract();
  EXPECT_TRUE(g_Setup.Succeeded);
  EXPECT_EQ(WorkTree(), Strings{"kept"});
}

TEST_F(ExtractTest, WalkEndsWithFailureWhenTheArchiveHasNoEntries) {
  struct Case {
    const char* what;
    std::function<void(ExtractTest*)> open;
  } cases[] = {
      {"an end record only", [](ExtractTest* t) { t->Open({}); }},
      {"no header at ArchiveBase",
       [](ExtractTest* t) { t->OpenArchive(packer::Bytes{'n', 'o', 't', ' ', 'a', ' ', 'z', 'i', 'p'}); }},
      {"nothing behind the package header", [](ExtractTest* t) { t->OpenArchive({}); }},
  };
  for (const Case& c : cases) {
    Fresh();
    if (g_Setup.PackageFile) CloseHandle(g_Setup.PackageFile);
    g_Setup.PackageFile = nullptr;
    c.open(this);
    Extract();
    EXPECT_FALSE(g_Setup.Succeeded) << c.what;
    EXPECT_EQ(Boxes(), Strings{kExtractError}) << c.what;
    EXPECT_EQ(Status(), Strings{"Error extracting file(s)."}) << c.what;
    EXPECT_FALSE(Exists("")) << c.what << ": the working directory is made only for a file";
  }
}

TEST_F(ExtractTest, FirstSeekFailingAbandonsTheRun) {
  Open({File("a.txt", "a")});
  g_Setup.ArchiveBase = -1;
  Extract();
  EXPECT_FALSE(g_Setup.Succeeded);
  EXPECT_EQ(Boxes(), Strings{"Error reading archive. | Error in archive .."});
  EXPECT_EQ(Status(), Strings{}) << "the status line is not touched";
  EXPECT_FALSE(Exists(""));
}

TEST_F(ExtractTest, EntryWhoseSizesOnlyADescriptorGivesFailsTheRun) {
  // Streamed archives give CRC and sizes only behind the data; the local header
  // holds zeros. The walk cannot find the next header, so the run must not pass.
  for (int level : {0, 6}) {
    ArchiveEntry streamed = File("streamed.txt", Text(4000), level);
    streamed.data_descriptor = streamed.descriptor_zero_sizes = true;
    Fresh();
    Reopen({File("first.txt", "1"), streamed, File("after.txt", "2")});
    Extract();
    EXPECT_FALSE(g_Setup.Succeeded) << level;
    EXPECT_EQ(Boxes(), Strings{kExtractError}) << level;
    EXPECT_EQ(Status().back(), "Error extracting file(s).") << level;
    EXPECT_FALSE(Exists("after.txt")) << level;
  }
}

TEST_F(ExtractTest, CompressedSizeCarryingPastFourGiBDoesNotLoop) {
  // The second entry's size points the 32-bit sum back at the first header.
  std::size_t first_size = 30 + 9 + 1;  // header, name, data
  ArchiveEntry loop = File("loop.txt", "");
  std::uint32_t data_offset = static_cast<std::uint32_t>(first_size + 30 + 8);
  loop.compressed_size = static_cast<std::uint32_t>(0x100000000ull - data_offset);
  Open({File("first.txt", "1"), loop});
  g_Setup.OverwriteMode = 0;
  Extract();
  EXPECT_FALSE(g_Setup.Succeeded);
  EXPECT_EQ(Boxes(), Strings{kExtractError});
  EXPECT_EQ(Recorded(), Strings{W("first.txt")});
  EXPECT_FALSE(Exists("loop.txt"));
}

// --- names ----------------------------------------------------------------------

TEST_F(ExtractTest, UnsafeNamesAbandonTheRunBeforeAnythingOfThemIsMade) {
  const std::size_t room = 259 - std::strlen(extracttest::kWorkDir) - 1;  // longest name that fits MAX_PATH
  const std::pair<const char*, std::string> cases[] = {
      {"empty name", ""},
      {"name beginning with NUL", std::string("\0x", 2)},
      {"parent", "../evil.txt"},
      {"parent deeper", "a/../../evil.txt"},
      {"parent with backslashes", "a\\..\\..\\evil.txt"},
      {"leading /", "/evil.txt"},
      {"leading \\", "\\evil.txt"},
      {"UNC", "\\\\server\\share\\evil.txt"},
      {"drive relative", "C:evil.txt"},
      {"drive absolute", "C:\\evil.txt"},
      {"alternate data stream", "first.txt:hidden"},
      {"device", "con"},
      {"device with extension", "sub/aux.txt"},
      {"trailing dot", "evil."},
      {"trailing blank", "evil "},
      {"wildcard", "e*l"},
      {"control character", "e\x1bl"},
      {"empty component", "a//evil.txt"},
      {"path one longer than MAX_PATH allows", std::string(room + 1, 'n')},
      {"name filling the whole 258-byte buffer", std::string(258, 'n')},
      {"name longer than the buffer", std::string(300, 'n')},
  };
  for (const auto& [what, name] : cases) {
    Fresh();
    Reopen({File("first.txt", "1"), File(name, "evil"), File("after.txt", "2")});
    Extract();
    EXPECT_FALSE(g_Setup.Succeeded) << what;
    EXPECT_EQ(Boxes(), Strings{"Invalid filename. | Error in archive.."}) << what;
    EXPECT_EQ(WorkTree(), Strings{"first.txt"}) << what;
    EXPECT_EQ(Status(), Strings{Progress("first.txt")}) << what << ": no error line";
    EXPECT_EQ(OutsideWork(), Strings{}) << what;
  }
}

TEST_F(ExtractTest, LongestNameThatFitsIsWritten) {
  const std::size_t room = 259 - std::strlen(extracttest::kWorkDir) - 1;
  std::string name = std::string(room, 'n');
  name.replace(100, 1, "/");  // two components, each within a file system's 255 bytes
  Open({File(name, "long")});
  Extract();
  EXPECT_TRUE(g_Setup.Succeeded);
  EXPECT_EQ(Recorded(), Strings{W(name.substr(0, 100) + "\\" + name.substr(101))});
  EXPECT_EQ(Recorded()[0].size(), 259u);
  EXPECT_EQ(Content(name), "long");
}

// --- directory entries ------------------------------------------------------------

TEST_F(ExtractTest, DirectoryEntriesMakeTheirDirectoriesAndTheWalkGoesOn) {
  Open({Directory("docs/"), Directory("docs/img/"), File("docs/img/a.png", "png"), Directory("empty/"),
        Directory("deep\\er\\"), File("last.txt", "l"), Directory("closing/")});
  Extract();
  EXPECT_TRUE(g_Setup.Succeeded) << ::testing::PrintToString(Boxes());
  EXPECT_EQ(Boxes(), Strings{});
  EXPECT_EQ(WorkTree(), (Strings{"closing/", "deep/", "deep/er/", "docs/", "docs/img/", "docs/img/a.png", "empty/",
                                 "last.txt"}));
  EXPECT_EQ(Recorded(), (Strings{W("docs\\img\\a.png"), W("last.txt")})) << "directories are not files";
  EXPECT_EQ(CreatedDirs(), (Strings{extracttest::kWorkDir, W("docs"), W("docs\\img"), W("empty"), W("deep"),
                                    W("deep\\er"), W("closing")}));
  EXPECT_EQ(Status(), (Strings{Progress("docs\\img\\a.png"), Progress("last.txt")}));
}

TEST_F(ExtractTest, DirectoryEntryOverAnExistingDirectoryIsFine) {
  mkdir(Work().c_str(), 0755);
  mkdir(Work("keep").c_str(), 0755);
  Open({Directory("keep/")});
  Extract();
  EXPECT_TRUE(g_Setup.Succeeded);
  EXPECT_EQ(CreatedDirs(), Strings{}) << "only what the run made is recorded";
}

// --- passwords --------------------------------------------------------------------

TEST_F(ExtractTest, OnePasswordServesEveryEntryThatSharesIt) {
  Open({File("a.txt", "alpha", 0, "secret"), File("b.txt", Text(3000), 6, "secret"), File("plain.txt", "p")});
  standin::ScriptDialog("DLG_PASS", {standin::Type(101, "secret"), standin::Press(1)});
  Extract();
  EXPECT_TRUE(g_Setup.Succeeded);
  EXPECT_EQ(standin::DialogResults("DLG_PASS"), std::vector<long>{1});
  EXPECT_EQ(Content("a.txt"), "alpha");
  EXPECT_EQ(Content("b.txt"), Text(3000));
  EXPECT_STREQ(g_Setup.CurrentPassword, "secret");
  for (char c : g_Setup.PasswordText) ASSERT_EQ(c, '\0') << "the typed password is wiped";
}

TEST_F(ExtractTest, RememberedPasswordNeedsNoDialog) {
  std::strcpy(g_Setup.CurrentPassword, "known");
  Open({File("a.txt", "alpha", 0, "known")});
  Extract();
  EXPECT_TRUE(g_Setup.Succeeded);
  EXPECT_EQ(standin::DialogResults("DLG_PASS"), std::vector<long>{});
}

TEST_F(ExtractTest, AnotherPasswordBringsTheDialogBackAndReplacesTheRememberedOne) {
  Open({File("a.txt", "alpha", 0, "one"), File("b.txt", "beta", 6, "two"), File("c.txt", "gamma", 0, "two")});
  standin::ScriptDialog("DLG_PASS", {standin::Type(101, "one"), standin::Press(1)});
  standin::ScriptDialog("DLG_PASS", {standin::Type(101, "two"), standin::Press(1)});
  Extract();
  EXPECT_TRUE(g_Setup.Succeeded);
  EXPECT_EQ(standin::DialogResults("DLG_PASS"), (std::vector<long>{1, 1}));
  EXPECT_EQ(WorkTree(), (Strings{"a.txt", "b.txt", "c.txt"}));
  EXPECT_STREQ(g_Setup.CurrentPassword, "two");
}

TEST_F(ExtractTest, ThirdAttemptMayStillPassAndAnEmptyFieldIsAnAttempt) {
  Open({File("a.txt", "alpha", 0, "right")});
  standin::ScriptDialog("DLG_PASS", {standin::Type(101, "wrong"), standin::Press(1)});
  standin::ScriptDialog("DLG_PASS", {standin::Press(1)});
  standin::ScriptDialog("DLG_PASS", {standin::Type(101, "right"), standin::Press(1)});
  Extract();
  EXPECT_TRUE(g_Setup.Succeeded);
  EXPECT_EQ(standin::DialogResults("DLG_PASS").size(), 3u);
  EXPECT_EQ(Content("a.txt"), "alpha");
}

TEST_F(ExtractTest, ThreeWrongPasswordsSkipTheEntryAndFailTheRun) {
  Open({File("locked.txt", "secret data", 0, "right"), File("free.txt", "free")});
  for (const char* typed : {"one", "two", "three"})
    standin::ScriptDialog("DLG_PASS", {standin::Type(101, typed), standin::Press(1)});
  Extract();
  EXPECT_EQ(standin::DialogResults("DLG_PASS").size(), 3u);
  EXPECT_FALSE(Exists("locked.txt"));
  EXPECT_EQ(Content("free.txt"), "free") << "the walk goes on";
  EXPECT_FALSE(g_Setup.Succeeded) << "a refused entry fails the run even when a later one is written";
  EXPECT_EQ(Boxes(), Strings{kExtractError});
  EXPECT_EQ(Status(), (Strings{Progress("free.txt"), "Error extracting file(s)."}));
  EXPECT_STREQ(g_Setup.CurrentPassword, "three");
}

TEST_F(ExtractTest, CancellingThePasswordDialogAbandonsTheRunSilently) {
  Open({File("first.txt", "1"), File("locked.txt", "x", 0, "pw"), File("after.txt", "2")});
  standin::ScriptDialog("DLG_PASS", {standin::Type(101, "typed"), standin::Press(2)});
  Extract();
  EXPECT_FALSE(g_Setup.Succeeded);
  EXPECT_EQ(Boxes(), Strings{});
  EXPECT_EQ(WorkTree(), Strings{"first.txt"});
  EXPECT_EQ(Status(), Strings{Progress("first.txt")});
  EXPECT_STREQ(g_Setup.CurrentPassword, "");
}

TEST_F(ExtractTest, CheckByteOfAnEntryWithDescriptorComesFromItsTime) {
  // The CRC's high byte and the time's high byte differ, so only the right rule passes.
  ArchiveEntry stored = File("s.txt", "stored and encrypted", 0, "pw");
  ArchiveEntry deflated = File("d.txt", Text(2000), 6, "pw");
  for (ArchiveEntry* e : {&stored, &deflated}) {
    e->data_descriptor = true;
    e->dos_time = 0x9ABC;
    ASSERT_NE(packer::Crc32(e->data) >> 24, 0x9Au);
  }
  Open({stored, deflated});
  standin::ScriptDialog("DLG_PASS", {standin::Type(101, "pw"), standin::Press(1)});
  Extract();
  EXPECT_TRUE(g_Setup.Succeeded);
  EXPECT_EQ(standin::DialogResults("DLG_PASS").size(), 1u);
  EXPECT_EQ(Content("s.txt"), "stored and encrypted");
  EXPECT_EQ(Content("d.txt"), Text(2000));
}

TEST_F(ExtractTest, TypedPasswordIsCutTo79Characters) {
  std::string typed(100, 'p');
  for (std::size_t i = 0; i < typed.size(); ++i) typed[i] = static_cast<char>('!' + i % 90);
  Open({File("a.txt", "alpha", 0, typed.substr(0, 79))});
  standin::ScriptDialog("DLG_PASS", {standin::Type(101, typed), standin::Press(1)});
  Extract();
  EXPECT_TRUE(g_Setup.Succeeded);
  EXPECT_EQ(std::string(g_Setup.CurrentPassword), typed.substr(0, 79));
}

TEST_F(ExtractTest, EncryptedEntryOfItsHeaderAloneIsAnEmptyFile) {
  ArchiveEntry tiny = File("tiny.txt", "", 0, "pw");
  Open({tiny});
  standin::ScriptDialog("DLG_PASS", {standin::Type(101, "pw"), standin::Press(1)});
  Extract();
  EXPECT_TRUE(g_Setup.Succeeded);
  EXPECT_EQ(Content("tiny.txt"), "");
}

// --- existing files ---------------------------------------------------------------

TEST_F(ExtractTest, PromptNamesTheFileAndYesReplacesIt) {
  SetTitle("My Setup");
  Put("old.txt", "old");
  mkdir(Work("dir").c_str(), 0755);
  testenv::WriteHostFile(Work("dir/older.txt"), "older");
  Open({File("old.txt", "new"), File("dir/older.txt", "newer")});
  standin::ScriptDialog("FileExist", {standin::Press(1)});
  standin::ScriptDialog("FileExist", {standin::Press(1)});
  Extract();
  EXPECT_TRUE(g_Setup.Succeeded);
  EXPECT_EQ(Content("old.txt"), "new");
  EXPECT_EQ(Content("dir/older.txt"), "newer");
  EXPECT_EQ(standin::ControlTexts("FILEEXIST", 101),
            (Strings{"old.txt already exists - overwrite ?", "older.txt already exists - overwrite ?"}));
  EXPECT_EQ(Recorded(), (Strings{W("old.txt"), W("dir\\older.txt")}));
  EXPECT_EQ(g_Setup.OverwriteMode, 2) << "asked again for every file";
}

TEST_F(ExtractTest, NoKeepsTheFileUnrecordedAndTheRunSucceeds) {
  Put("old.txt", "old");
  Open({File("old.txt", "new")});
  standin::ScriptDialog("FileExist", {standin::Press(2)});
  Extract();
  EXPECT_TRUE(g_Setup.Succeeded);
  EXPECT_EQ(Content("old.txt"), "old");
  EXPECT_EQ(Recorded(), Strings{});
  EXPECT_EQ(Status(), Strings{});
}

TEST_F(ExtractTest, DontAskAgainAppliesTheAnswerToEveryLaterFile) {
  struct Case {
    const char* what;
    int button;
    std::string expected;
    std::uint8_t mode;
  } cases[] = {{"ticked Yes", 1, "new", 0}, {"ticked No", 2, "old", 1}};
  for (const Case& c : cases) {
    Fresh();
    for (const char* name : {"a.txt", "b.txt", "c.txt"}) Put(name, "old");
    Reopen({File("a.txt", "new"), File("b.txt", "new"), File("c.txt", "new")});
    standin::ScriptDialog("FileExist", {standin::Tick(401), standin::Press(c.button)});
    Extract();
    EXPECT_TRUE(g_Setup.Succeeded) << c.what;
    EXPECT_EQ(standin::DialogResults("FILEEXIST").size(), 1u) << c.what;
    EXPECT_EQ(g_Setup.OverwriteMode, c.mode) << c.what;
    for (const char* name : {"a.txt", "b.txt", "c.txt"}) EXPECT_EQ(Content(name), c.expected) << c.what;
  }
}

TEST_F(ExtractTest, OverwriteModeDecidesWithoutAsking) {
  struct Case {
    std::uint8_t mode;
    std::string expected;
    std::size_t recorded;
  } cases[] = {{0, "new", 1}, {1, "old", 0}};
  for (const Case& c : cases) {
    Fresh();
    Put("f.txt", "old");
    Reopen({File("f.txt", "new")});
    g_Setup.OverwriteMode = c.mode;
    Extract();
    EXPECT_TRUE(g_Setup.Succeeded);
    EXPECT_EQ(Content("f.txt"), c.expected) << int(c.mode);
    EXPECT_EQ(Recorded().size(), c.recorded) << int(c.mode);
    EXPECT_EQ(standin::DialogResults("FILEEXIST").size(), 0u);
  }
}

// --- the failure table ---------------------------------------------------------------

TEST_F(ExtractTest, FailureTable) {
  struct Case {
    const char* what;
    std::function<void(ExtractTest*)> before;  // prepares the drive and the stand-in
    ArchiveEntry entry;                         // between "first.txt" and "after.txt"
    Strings boxes;
    Strings status_tail;  // the last lines of control 3002
    bool recorded;        // the entry's file stays recorded
    bool after_written;   // the walk went on
  };
  ArchiveEntry unknown = File("m.bin", "abc");
  unknown.method = 12;
  ArchiveEntry bad_crc = File("crc.bin", "abc");
  bad_crc.crc = 0x12345678;
  ArchiveEntry bad_deflate = File("bad.bin", Text(3000), 6);
  bad_deflate.raw_data = packer::Bytes{0xFF, 0xFF, 0xFF, 0xFF};  // block type 3: invalid
  Case cases[] = {
      {"unknown compression method", nullptr, unknown, {"Unknown compression type | Error"}, {Progress("m.bin")},
       true, false},
      {"CRC differs", nullptr, bad_crc, {kExtractError}, {Progress("crc.bin")}, true, false},
      {"damaged deflate data", nullptr, bad_deflate, {kExtractError}, {Progress("bad.bin")}, true, false},
      {"disk full: short write", [](ExtractTest*) { standin::LimitDiskSpace(1 + 1000); },
       File("big.bin", Binary(5000, 3)), {kExtractError}, {Progress("big.bin")}, true, false},
      {"disk full while inflating", [](ExtractTest*) { standin::LimitDiskSpace(1 + 1000); },
       File("big.txt", Text(50000), 6), {kExtractError}, {Progress("big.txt")}, true, false},
      {"directory cannot be made: a file stands there",
       [](ExtractTest* t) { t->Put("blocker", "file"); }, File("blocker/x.txt", "x"),
       {W("blocker") + " | Error in directory ..", kExtractError}, {"Error extracting file(s)."}, false, false},
      {"directory entry where a file stands", [](ExtractTest* t) { t->Put("blocker", "file"); },
       Directory("blocker/"), {W("blocker") + " | Error in directory ..", kExtractError},
       {"Error extracting file(s)."}, false, false},
      {"existing read-only file",
       [](ExtractTest* t) {
         t->Put("ro.txt", "old");
         chmod(t->Work("ro.txt").c_str(), 0444);
         startup::g_Setup.OverwriteMode = 0;
       },
       File("ro.txt", "new"), {W("ro.txt") + " | Cannot open file ..", kExtractError},
       {"Error extracting file(s)."}, false, false},
      {"target is an existing directory: no message of its own",
       [](ExtractTest* t) {
         t->MakeWorkDir();
         mkdir(t->Work("d").c_str(), 0755);
         startup::g_Setup.OverwriteMode = 0;
       },
       File("d", "x"), {kExtractError}, {"Error extracting file(s)."}, false, false},
      {"closing fails: reported, the run goes on", [](ExtractTest*) { standin::FailFileClose(true); },
       File("c.txt", "c"), {W("first.txt") + " | Cannot close the file", W("c.txt") + " | Cannot close the file",
                             W("after.txt") + " | Cannot close the file"},
       {Progress("after.txt")}, true, true},
  };
  for (const Case& c : cases) {
    Fresh();
    Reopen({File("first.txt", "1"), c.entry, File("after.txt", "2")});
    if (c.before) c.before(this);
    Extract();
    standin::FailFileClose(false);
    standin::LimitDiskSpace(-1);
    EXPECT_EQ(Boxes(), c.boxes) << c.what;
    EXPECT_EQ(g_Setup.Succeeded, c.after_written) << c.what;
    Strings status = Status();
    ASSERT_GE(status.size(), c.status_tail.size()) << c.what;
    EXPECT_EQ(Strings(status.end() - c.status_tail.size(), status.end()), c.status_tail) << c.what;
    Strings recorded = Recorded();
    bool has_entry = std::find(recorded.begin(), recorded.end(), W(c.entry.name)) != recorded.end();
    EXPECT_EQ(has_entry, c.recorded) << c.what;
    EXPECT_EQ(Exists("after.txt"), c.after_written) << c.what;
    EXPECT_EQ(Content("first.txt"), "1") << c.what;
  }
}

TEST_F(ExtractTest, FileOfAnUnknownMethodIsClosedEmptyWithItsTime) {
  ArchiveEntry unknown = File("m.bin", "abc");
  unknown.method = 14;
  unknown.dos_date = (30 << 9) | (6 << 5) | 15;  // 2010-06-15 00:00:00
  Open({unknown});
  Extract();
  struct stat info;
  ASSERT_EQ(stat(Work("m.bin").c_str(), &info), 0);
  EXPECT_EQ(info.st_size, 0);
  EXPECT_EQ(info.st_mtime, 1276560000);
}

TEST_F(ExtractTest, WorkDirIsMadeButNeverItsParents) {
  rmdir(Host("C:\\TEMP").c_str());
  Open({File("a.txt", "a")});
  Extract();
  EXPECT_FALSE(g_Setup.Succeeded);
  EXPECT_EQ(Boxes(), (Strings{std::string(extracttest::kWorkDir) + " | Error in directory ..", kExtractError}));
  EXPECT_FALSE(testenv::HostExists(Host("C:\\TEMP")));
  mkdir(Host("C:\\TEMP").c_str(), 0755);  // what the fixture's final check expects
}

}  // namespace
