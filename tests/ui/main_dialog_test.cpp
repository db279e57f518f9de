// The main setup dialog, driven through the whole program (startup::RunSetup)
// with a package on the stand-in's drive C: and a scripted person: every state
// and transition, the texts shown, the engine's launch, the automatic Close and
// the deletion of everything extraction wrote.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/memory.h"
#include "platform/posix/standin.h"
#include "resource_ids.h"
#include "startup/prepare_setup.h"
#include "startup/setup_state.h"
#include "support/packages.h"
#include "support/test_env.h"
#include "ui/messages.h"

namespace {

using standin::Press;
using startup::g_Setup;

constexpr char kWork[] = "C:\\TEMP\\$Pellmor.Tmp";
constexpr char kPackage[] = "C:\\Downloads\\Setup.exe";
const std::string kEngine = "RunDll32.exe SetupApi.dll,InstallHinfSection DefaultInstall 132 ";

packer::ArchiveEntry Entry(const std::string& name, const std::string& text, int level = 6) {
  packer::ArchiveEntry e;
  e.name = name;
  e.data.assign(text.begin(), text.end());
  e.level = level;
  return e;
}

std::string Extracting(const std::string& relative) { return ui::kExtractingPrefix + std::string(kWork) + "\\" + relative; }
std::string Deleting(const std::string& relative) { return ui::kDeletingPrefix + std::string(kWork) + "\\" + relative; }

class MainDialogTest : public testenv::Env {
 protected:
  void SetUp() override {
    Env::SetUp();
    // RunSetup allocates and builds its own table, as the program does.
    platform::Free(g_Setup.CrcTable);
    g_Setup.CrcTable = nullptr;
    mkdir(Host("C:\\Downloads").c_str(), 0755);
    standin::SetModuleFileName(kPackage);
    standin::SetCurrentDirectory("C:\\Downloads");
    fields_.inf = "><setup.inf";
  }
  void Package(const std::vector<packer::ArchiveEntry>& entries) {
    testenv::WriteHostFile(Host(kPackage), testenv::MakePackage(fields_, entries));
  }
  // The usual archive: the INF, a stored file in a subfolder, a deflated file.
  void UsualPackage() {
    Package({Entry("setup.inf", "[Version]\r\nSignature=\"$Chicago$\"\r\n"), Entry("docs/readme.txt", "Read me.", 0),
             Entry("hello.txt", std::string(3000, 'h'))});
  }
  void Run() {
    try {
      startup::RunSetup();
    } catch (const standin::ProcessExit&) {
      ADD_FAILURE() << "the program ended before its clean-up";
    }
  }
  std::vector<std::string> Boxes() {
    std::vector<std::string> out;
    for (const auto& b : standin::RecordedMessageBoxes())
      out.push_back(b.caption + ": " + b.text + (b.type == MB_OK && !b.owned ? "" : " (styled)"));
    return out;
  }
  // Desktop events of the main dialog, in order.
  std::vector<std::string> MainLog() {
    std::vector<std::string> out;
    for (const std::string& line : standin::DesktopLog())
      if (line.find(" DLG_MAIN") != std::string::npos) out.push_back(line);
    return out;
  }
  std::vector<std::string> Texts(int id) { return standin::ControlTexts("DLG_MAIN", id); }
  // Position of the first log line equal to `line` at or after `from`; -1 when absent.
  static long Find(const std::vector<std::string>& log, const std::string& line, long from = 0) {
    auto it = std::find(log.begin() + from, log.end(), line);
    return it == log.end() ? -1 : static_cast<long>(it - log.begin());
  }
  std::string Notice() { return g_Setup.BuiltInNotice; }

  packer::PackageFields fields_;
};

TEST_F(MainDialogTest, WelcomeStateAndCloseBeforeInstall) {
  struct Case {
    const char* what;
    std::string title, welcome;
    std::vector<std::string> captions;
    std::string shown;
  } cases[] = {
      {"no title: the template caption stays", "", "", {}, ui::kDefaultWelcomeText},
      {"title and welcome text", "Hello Setup", "\r\n\r\nWelcome!", {"caption DLG_MAIN Hello Setup"}, "\r\n\r\nWelcome!"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TearDown();
    SetUp();
    fields_.title = c.title;
    fields_.welcome = c.welcome;
    UsualPackage();
    standin::ScriptDialog("DLG_MAIN", {Press(IDCANCEL)});
    Run();
    std::vector<std::string> captions;
    for (const std::string& line : MainLog())
      if (line.rfind("caption ", 0) == 0) captions.push_back(line);
    EXPECT_EQ(captions, c.captions);
    EXPECT_EQ(Texts(1), std::vector<std::string>{"&Install"});
    EXPECT_EQ(Texts(2), std::vector<std::string>{"&Close"});
    EXPECT_EQ(Texts(IDC_MAIN_TEXT), std::vector<std::string>{c.shown});
    EXPECT_NE(Find(MainLog(), "move DLG_MAIN 287 304"), -1);  // centred: (1024 - 450) / 2, (768 - 160) / 2
    EXPECT_EQ(standin::DialogResults("DLG_MAIN"), std::vector<long>{2});
    EXPECT_EQ(g_Setup.OverwriteMode, 2);
    EXPECT_FALSE(g_Setup.InstallStarted);
    EXPECT_EQ(g_Setup.ExtractedFiles.Count, 0u);
    EXPECT_TRUE(standin::RecordedProcesses().empty());
    EXPECT_TRUE(Boxes().empty());
    EXPECT_FALSE(testenv::HostExists(Host(kWork)));
  }
}

TEST_F(MainDialogTest, InstallInfoAndFinishWhenKeptOpen) {
  fields_.title = "Hello Setup";
  fields_.info = "Made by the tests.";
  fields_.keep_open = 1;
  UsualPackage();
  std::vector<std::string> during_log;
  std::vector<std::string> files_during;
  standin::ScriptProcess(false, 0, [&] {
    during_log = MainLog();
    files_during = testenv::ListTree(Host(kWork));
  });
  standin::ScriptDialog("DLG_MAIN", {Press(1), Press(1), Press(1), Press(2)});
  Run();

  ASSERT_EQ(standin::RecordedProcesses().size(), 1u);
  EXPECT_EQ(standin::RecordedProcesses()[0].command_line, kEngine + kWork + "\\setup.inf");
  EXPECT_EQ(standin::RecordedProcesses()[0].application, "C:\\WINDOWS\\system32\\RunDll32.exe");
  EXPECT_EQ(files_during, (std::vector<std::string>{"docs/", "docs/readme.txt", "hello.txt", "setup.inf"}));
  // While the engine runs both buttons are disabled, action button first.
  long off1 = Find(during_log, "enable DLG_MAIN 1 0");
  EXPECT_NE(off1, -1);
  EXPECT_EQ(Find(during_log, "enable DLG_MAIN 2 0"), off1 + 1);
  EXPECT_EQ(Find(during_log, "enable DLG_MAIN 1 1"), -1);
  EXPECT_EQ(during_log.back(), std::string("text DLG_MAIN 3002 ") + ui::kUpdatingText);

  EXPECT_EQ(Texts(IDC_MAIN_TEXT),
            (std::vector<std::string>{ui::kDefaultWelcomeText, Extracting("setup.inf"), Extracting("docs\\readme.txt"),
                                      Extracting("hello.txt"), ui::kUpdatingText, ui::kFinishText,
                                      Deleting("setup.inf"), Deleting("docs\\readme.txt"), Deleting("hello.txt")}));
  EXPECT_EQ(Texts(1), (std::vector<std::string>{"&Install", "&Info"}));
  EXPECT_EQ(Texts(2), (std::vector<std::string>{"&Close", "&Finish"}));
  // Info twice: the notice directly followed by the information line; nothing else changes.
  const std::string info = "License Information: " + Notice() + "Made by the tests.";
  EXPECT_EQ(Boxes(), (std::vector<std::string>{info, info}));
  EXPECT_EQ(Notice().size(), 101u);
  EXPECT_EQ(Find(MainLog(), "foreground DLG_MAIN"), -1);  // no automatic close
  EXPECT_EQ(standin::DialogResults("DLG_MAIN"), std::vector<long>{2});
  EXPECT_EQ(standin::UnscriptedDialogs(), 0);
  // Close took the files and the folders the run made, the working directory included.
  EXPECT_FALSE(testenv::HostExists(Host(kWork)));
  char cwd[300];
  GetCurrentDirectoryA(sizeof cwd, cwd);
  EXPECT_EQ(std::string(cwd), "C:\\Downloads");
}

TEST_F(MainDialogTest, KeepOpenZeroClosesByItselfThroughTheCloseButton) {
  fields_.keep_open = 0;
  UsualPackage();
  standin::ScriptDialog("DLG_MAIN", {Press(1)});  // only Install: the dialog presses Close itself
  Run();
  std::vector<std::string> log = MainLog();
  long finish = Find(log, std::string("text DLG_MAIN 3002 ") + ui::kFinishText);
  ASSERT_NE(finish, -1);
  long info = Find(log, "text DLG_MAIN 1 &Info", finish);
  long foreground = Find(log, "foreground DLG_MAIN", finish);
  long enable_close = Find(log, "enable DLG_MAIN 2 1", finish);
  long first_deletion = Find(log, "text DLG_MAIN 3002 " + Deleting("setup.inf"), finish);
  ASSERT_NE(info, -1);
  ASSERT_NE(foreground, -1);
  EXPECT_LT(info, foreground);
  // Close is enabled before the click (a disabled button ignores BM_CLICK) and
  // the action button only after Close has run, nested in the Install command.
  EXPECT_EQ(enable_close, foreground + 1);
  EXPECT_EQ(first_deletion, enable_close + 1);
  long enable_action = Find(log, "enable DLG_MAIN 1 1", finish);
  EXPECT_GT(enable_action, first_deletion + 2);
  for (const std::string& line : standin::DesktopLog()) EXPECT_EQ(line.rfind("ignored", 0), std::string::npos) << line;
  EXPECT_EQ(Texts(IDC_MAIN_TEXT).back(), Deleting("hello.txt"));
  EXPECT_EQ(standin::DialogResults("DLG_MAIN"), std::vector<long>{2});
  EXPECT_EQ(standin::UnscriptedDialogs(), 0);
  EXPECT_FALSE(testenv::HostExists(Host(kWork)));
}

TEST_F(MainDialogTest, LicenceDeclinedKeepsTheWelcomeStateThenAccepted) {
  fields_.licence = "You agree.";
  UsualPackage();
  standin::ScriptDialog("DLG_LIC", {Press(2)});
  standin::ScriptDialog("DLG_LIC", {Press(1)});
  standin::ScriptDialog("DLG_MAIN", {Press(1), Press(1)});
  Run();
  EXPECT_EQ(standin::DialogResults("DLG_LIC"), (std::vector<long>{2, 1}));
  // Between the declined licence and the next one the window did not change.
  const std::vector<std::string>& all = standin::DesktopLog();
  long declined = Find(all, "end DLG_LIC 2");
  long second = Find(all, "open DLG_LIC", declined);
  ASSERT_NE(declined, -1);
  ASSERT_NE(second, -1);
  EXPECT_EQ(second, declined + 1);
  EXPECT_EQ(standin::RecordedProcesses().size(), 1u);
  EXPECT_EQ(standin::DialogResults("DLG_MAIN"), std::vector<long>{2});
  EXPECT_FALSE(testenv::HostExists(Host(kWork)));
}

TEST_F(MainDialogTest, LicenceDialogRunsOnlyWithALicence) {
  UsualPackage();
  standin::ScriptDialog("DLG_MAIN", {Press(1)});
  Run();
  EXPECT_TRUE(standin::DialogResults("DLG_LIC").empty());
  EXPECT_EQ(standin::RecordedProcesses().size(), 1u);
}

TEST_F(MainDialogTest, FailedExtractionEndsWithResultOneAndKeepsItsFiles) {
  fields_.keep_open = 1;
  packer::ArchiveEntry broken = Entry("hello.txt", "damaged");
  broken.crc = 0x12345678;
  Package({Entry("setup.inf", "[Version]"), broken});
  standin::ScriptDialog("DLG_MAIN", {Press(1)});
  Run();
  EXPECT_EQ(standin::DialogResults("DLG_MAIN"), std::vector<long>{1});
  EXPECT_EQ(Boxes(), std::vector<std::string>{"Error: Error extracting file(s)."});
  EXPECT_TRUE(standin::RecordedProcesses().empty());
  EXPECT_EQ(Texts(2), std::vector<std::string>{"&Close"});  // never reached the finished state
  for (const std::string& text : Texts(IDC_MAIN_TEXT)) EXPECT_EQ(text.find("Deleting"), std::string::npos);
  EXPECT_TRUE(testenv::HostExists(Host(std::string(kWork) + "\\setup.inf")));
  std::vector<std::string> log = MainLog();
  ASSERT_GE(log.size(), 3u);
  EXPECT_EQ(log[log.size() - 3], "enable DLG_MAIN 2 1");
  EXPECT_EQ(log[log.size() - 2], "enable DLG_MAIN 1 1");
  EXPECT_EQ(log.back(), "end DLG_MAIN 1");
}

TEST_F(MainDialogTest, EngineFailureStillReachesTheFinishedState) {
  struct Case {
    const char* what;
    bool start_fails;
    unsigned exit_code;
    std::vector<std::string> boxes;
  } cases[] = {
      {"engine cannot start", true, 0, {"Error: Couldn't initialize installation."}},
      {"engine returns -1", false, 0xFFFFFFFFu, {"Error: Couldn't initialize installation."}},
      {"engine returns an error code", false, 2, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TearDown();
    SetUp();
    fields_.keep_open = 1;
    UsualPackage();
    standin::ScriptProcess(c.start_fails, c.exit_code);
    standin::ScriptDialog("DLG_MAIN", {Press(1), Press(2)});
    Run();
    EXPECT_EQ(Boxes(), c.boxes);
    EXPECT_EQ(Texts(2), (std::vector<std::string>{"&Close", "&Finish"}));
    EXPECT_EQ(Texts(1), (std::vector<std::string>{"&Install", "&Info"}));
    EXPECT_EQ(standin::DialogResults("DLG_MAIN"), std::vector<long>{2});
    EXPECT_FALSE(testenv::HostExists(Host(kWork)));
  }
}

TEST_F(MainDialogTest, InfoWithoutInformationLineShowsTheNoticeAlone) {
  fields_.keep_open = 1;
  UsualPackage();
  standin::ScriptDialog("DLG_MAIN", {Press(1), Press(1), Press(2)});
  Run();
  EXPECT_EQ(Boxes(), std::vector<std::string>{"License Information: " + Notice()});
}

TEST_F(MainDialogTest, CloseDeletesEveryFileNotOnlyTheFirst255) {
  std::vector<packer::ArchiveEntry> entries = {Entry("setup.inf", "[Version]")};
  for (int i = 0; i < 300; ++i)
    entries.push_back(Entry("d" + std::to_string(i % 3) + "/sub/f" + std::to_string(i) + ".txt", "x", 0));
  Package(entries);
  standin::ScriptDialog("DLG_MAIN", {Press(1)});
  Run();
  std::vector<std::string> texts = Texts(IDC_MAIN_TEXT);
  long deletions = std::count_if(texts.begin(), texts.end(),
                                 [](const std::string& t) { return t.rfind(ui::kDeletingPrefix, 0) == 0; });
  EXPECT_EQ(deletions, 301);
  EXPECT_EQ(texts.back(), Deleting("d2\\sub\\f299.txt"));
  EXPECT_FALSE(testenv::HostExists(Host(kWork)));
  EXPECT_EQ(standin::DialogResults("DLG_MAIN"), std::vector<long>{2});
}

TEST_F(MainDialogTest, CloseLeavesWhatTheRunDidNotMake) {
  // The working directory exists already with a file of its own; during setup a
  // file appears in a folder the run made. Both stay, with the folders that hold them.
  mkdir(Host(kWork).c_str(), 0755);
  testenv::WriteHostFile(Host(std::string(kWork) + "\\keep.txt"), "mine");
  Package({Entry("setup.inf", "[Version]"), Entry("a/b/file.txt", "f"), Entry("c/other.txt", "o")});
  standin::ScriptProcess(false, 0, [&] { testenv::WriteHostFile(Host(std::string(kWork) + "\\a\\foreign.txt"), "x"); });
  standin::ScriptDialog("DLG_MAIN", {Press(1)});
  Run();
  EXPECT_EQ(testenv::ListTree(Host(kWork)), (std::vector<std::string>{"a/", "a/foreign.txt", "keep.txt"}));
}

TEST_F(MainDialogTest, UndeletableFileIsPassedOverSilently) {
  fields_.keep_open = 1;
  UsualPackage();
  // The engine takes hello.txt away: its deletion fails, its line is shown all the same.
  standin::ScriptProcess(false, 0, [&] { unlink(Host(std::string(kWork) + "\\hello.txt").c_str()); });
  standin::ScriptDialog("DLG_MAIN", {Press(1), Press(2)});
  Run();
  EXPECT_TRUE(Boxes().empty());
  std::vector<std::string> texts = Texts(IDC_MAIN_TEXT);
  ASSERT_GE(texts.size(), 3u);
  EXPECT_EQ(std::vector<std::string>(texts.end() - 3, texts.end()),
            (std::vector<std::string>{Deleting("setup.inf"), Deleting("docs\\readme.txt"), Deleting("hello.txt")}));
  EXPECT_FALSE(testenv::HostExists(Host(kWork)));
}

TEST_F(MainDialogTest, StrayCommandsAndMessagesAreIgnored) {
  UsualPackage();
  standin::ScriptDialog("DLG_MAIN", {Press(IDC_MAIN_TEXT), Press(IDCANCEL)});
  Run();
  EXPECT_EQ(Texts(IDC_MAIN_TEXT), std::vector<std::string>{ui::kDefaultWelcomeText});
  EXPECT_EQ(standin::DialogResults("DLG_MAIN"), std::vector<long>{2});
  EXPECT_TRUE(standin::RecordedProcesses().empty());
}

}  // namespace
