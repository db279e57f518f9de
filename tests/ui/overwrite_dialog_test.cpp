// The overwrite prompt: caption, question, and how Yes, No, Esc and the
// "Don't ask again" box set OverwriteAnswer and OverwriteMode.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/memory.h"
#include "platform/posix/standin.h"
#include "startup/setup_state.h"
#include "support/test_env.h"
#include "ui/overwrite_dialog.h"

namespace {

using startup::g_Setup;

class OverwriteDialogTest : public testenv::Env {
 protected:
  void SetUp() override {
    Env::SetUp();
    g_Setup.Title = static_cast<char*>(platform::Alloc(startup::kHeaderTextSize));
    std::strcpy(g_Setup.Title, "Acme Tools 2.0");
    std::strcpy(g_Setup.ExistingName, "readme.txt");
    g_Setup.OverwriteMode = 2;
  }
  static long Run() {
    return static_cast<long>(DialogBoxParamA(nullptr, "FileExist", nullptr, ui::OverwriteDialogProc, 0));
  }
};

TEST_F(OverwriteDialogTest, SetsItsTextsCentresAndAsksAboutTheName) {
  standin::SetScreenSize(640, 480);
  standin::SetDialogSize("FILEEXIST", 297, 115);
  standin::ScriptDialog("FileExist", {standin::Press(1)});
  Run();
  const std::vector<std::string> expected = {
      "open FILEEXIST",
      "caption FILEEXIST Acme Tools 2.0",
      "text FILEEXIST 1 &Yes",
      "text FILEEXIST 2 &No",
      "text FILEEXIST 401 Don't &ask again",
      "move FILEEXIST 171 182",
      "text FILEEXIST 101 readme.txt already exists - overwrite ?",
      "end FILEEXIST 1",
  };
  EXPECT_EQ(standin::DesktopLog(), expected);
}

TEST_F(OverwriteDialogTest, EmptyTitleGivesAnEmptyCaption) {
  g_Setup.Title[0] = '\0';
  standin::ScriptDialog("FileExist", {standin::Press(2)});
  Run();
  EXPECT_EQ(standin::DesktopLog()[1], "caption FILEEXIST ");
}

TEST_F(OverwriteDialogTest, LongestNameIsShownWhole) {
  std::string name(255, 'n');
  std::strcpy(g_Setup.ExistingName, name.c_str());
  standin::ScriptDialog("FileExist", {standin::Press(1)});
  Run();
  EXPECT_EQ(standin::ControlTexts("FILEEXIST", 101), std::vector<std::string>{name + " already exists - overwrite ?"});
}

TEST_F(OverwriteDialogTest, AnswersAndTheDontAskAgainBox) {
  struct Case {
    const char* what;
    std::vector<standin::Action> actions;
    long result;
    bool answer;
    int mode;
  } cases[] = {
      {"Yes", {standin::Press(1)}, 1, true, 2},
      {"No", {standin::Press(2)}, 2, false, 2},
      {"Esc or the close box", {}, 2, false, 2},
      {"ticked, Yes", {standin::Tick(401), standin::Press(1)}, 1, true, 0},
      {"ticked, No", {standin::Tick(401), standin::Press(2)}, 2, false, 1},
      {"ticked, Esc", {standin::Tick(401)}, 2, false, 1},
      {"ticked and unticked, Yes", {standin::Tick(401), standin::Tick(401, false), standin::Press(1)}, 1, true, 2},
  };
  for (const Case& c : cases) {
    g_Setup.OverwriteMode = 2;
    g_Setup.OverwriteAnswer = !c.answer;
    standin::ScriptDialog("FileExist", c.actions);
    EXPECT_EQ(Run(), c.result) << c.what;
    EXPECT_EQ(g_Setup.OverwriteAnswer, c.answer) << c.what;
    EXPECT_EQ(g_Setup.OverwriteMode, c.mode) << c.what;
  }
}

TEST_F(OverwriteDialogTest, ProcedureReturnsWhatTheDialogManagerExpects) {
  struct Case {
    UINT message;
    WPARAM wparam;
    INT_PTR handled;
  } cases[] = {
      {WM_INITDIALOG, 0, FALSE}, {WM_COMMAND, 1, TRUE}, {WM_COMMAND, 2, TRUE},
      {WM_COMMAND, 401, FALSE},  {WM_CLOSE, 0, FALSE},
  };
  for (const Case& c : cases) {
    INT_PTR got = -1;
    standin::OnDialogOpen([&](HWND window) { got = ui::OverwriteDialogProc(window, c.message, c.wparam, 0); });
    standin::ScriptDialog("FileExist", {standin::Press(2)});
    Run();
    EXPECT_EQ(got, c.handled) << c.message << " " << c.wparam;
    standin::Reset();
    standin::SetDriveRoot('C', root_);
  }
}

}  // namespace
