// The password dialog: texts, focus, the 79-character cut, and what Cancel leaves alone.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/posix/standin.h"
#include "startup/setup_state.h"
#include "support/test_env.h"
#include "ui/password_dialog.h"

namespace {

using startup::g_Setup;

class PasswordDialogTest : public testenv::Env {
 protected:
  static long Run() {
    return static_cast<long>(DialogBoxParamA(nullptr, "DLG_PASS", nullptr, ui::PasswordDialogProc, 0));
  }
};

TEST_F(PasswordDialogTest, SetsItsTextsCentresAndFocusesTheField) {
  standin::SetScreenSize(800, 600);
  standin::SetDialogSize("DLG_PASS", 292, 92);
  standin::ScriptDialog("DLG_PASS", {standin::Type(101, "pw"), standin::Press(1)});
  Run();
  const std::vector<std::string> expected = {
      "open DLG_PASS",
      "caption DLG_PASS Please enter the password to continue...",
      "text DLG_PASS 1 &Ok",
      "text DLG_PASS 2 &Cancel",
      "move DLG_PASS 254 254",
      "focus DLG_PASS 101",
      "end DLG_PASS 1",
  };
  EXPECT_EQ(standin::DesktopLog(), expected);
}

TEST_F(PasswordDialogTest, OkTakesAtMost79Characters) {
  std::string hundred(100, 'x');
  for (std::size_t i = 0; i < hundred.size(); ++i) hundred[i] = static_cast<char>('0' + i % 75);
  struct Case {
    const char* what;
    std::string typed;
    std::string taken;
  } cases[] = {
      {"short", "secret", "secret"},
      {"empty field", "", ""},
      {"exactly 79", hundred.substr(0, 79), hundred.substr(0, 79)},
      {"80 characters", hundred.substr(0, 80), hundred.substr(0, 79)},
      {"100 characters", hundred, hundred.substr(0, 79)},
      {"blanks are kept", " a b ", " a b "},
  };
  for (const Case& c : cases) {
    std::memset(g_Setup.PasswordText, '#', sizeof g_Setup.PasswordText);
    g_Setup.PasswordLength = -7;
    standin::ScriptDialog("DLG_PASS", {standin::Type(101, c.typed), standin::Press(1)});
    EXPECT_EQ(Run(), 1) << c.what;
    EXPECT_EQ(g_Setup.PasswordLength, static_cast<int>(c.taken.size())) << c.what;
    EXPECT_EQ(std::string(g_Setup.PasswordText), c.taken) << c.what;
  }
}

TEST_F(PasswordDialogTest, CancelAndEscReturnTwoAndLeaveThePasswordAlone) {
  for (auto actions : {std::vector<standin::Action>{standin::Type(101, "typed"), standin::Press(2)},
                       std::vector<standin::Action>{standin::Type(101, "typed")}}) {
    std::strcpy(g_Setup.PasswordText, "before");
    g_Setup.PasswordLength = 6;
    standin::ScriptDialog("DLG_PASS", actions);
    EXPECT_EQ(Run(), 2);
    EXPECT_STREQ(g_Setup.PasswordText, "before");
    EXPECT_EQ(g_Setup.PasswordLength, 6);
  }
}

TEST_F(PasswordDialogTest, ProcedureReturnsWhatTheDialogManagerExpects) {
  struct Case {
    UINT message;
    WPARAM wparam;
    INT_PTR handled;
  } cases[] = {
      {WM_INITDIALOG, 0, FALSE},
      {WM_COMMAND, 1, FALSE},
      {WM_COMMAND, 2, TRUE},
      {WM_COMMAND, 101, FALSE},
      {WM_SETTEXT, 0, FALSE},
  };
  for (const Case& c : cases) {
    INT_PTR got = -1;
    standin::OnDialogOpen([&](HWND window) { got = ui::PasswordDialogProc(window, c.message, c.wparam, 0); });
    standin::ScriptDialog("DLG_PASS", {standin::Press(2)});
    Run();
    EXPECT_EQ(got, c.handled) << c.message << " " << c.wparam;
    standin::Reset();
    standin::SetDriveRoot('C', root_);
  }
}

}  // namespace
