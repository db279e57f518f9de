// The licence dialog: its texts, its centring and what each way of closing it returns.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/memory.h"
#include "platform/posix/standin.h"
#include "startup/setup_state.h"
#include "support/test_env.h"
#include "ui/licence_dialog.h"

namespace {

using startup::g_Setup;

class LicenceDialogTest : public testenv::Env {
 protected:
  void SetUp() override {
    Env::SetUp();
    const char licence[] = "Terms line one\r\nA very long second line that is never wrapped by the box";
    g_Setup.LicenceText = static_cast<char*>(platform::Alloc(sizeof licence));
    std::memcpy(g_Setup.LicenceText, licence, sizeof licence);
  }
  static long Run() { return static_cast<long>(DialogBoxParamA(nullptr, "DLG_LIC", nullptr, ui::LicenceDialogProc, 0)); }
};

TEST_F(LicenceDialogTest, SetsEveryTextAndCentresItself) {
  standin::SetScreenSize(1024, 768);
  standin::SetDialogSize("DLG_LIC", 478, 280);
  standin::ScriptDialog("DLG_LIC", {standin::Press(1)});
  Run();
  const std::vector<std::string> expected = {
      "open DLG_LIC",
      "caption DLG_LIC Licence agreement",
      std::string("text DLG_LIC 2002 ") + g_Setup.LicenceText,
      "text DLG_LIC 2004 To continue with this installation, you must agree to all terms of this licence "
      "agreement.",
      "text DLG_LIC 1 I agree",
      "text DLG_LIC 2 &Cancel",
      "move DLG_LIC 273 244",
      "end DLG_LIC 1",
  };
  EXPECT_EQ(standin::DesktopLog(), expected);
}

TEST_F(LicenceDialogTest, OnlyIAgreeGivesOne) {
  struct Case {
    const char* what;
    std::vector<standin::Action> actions;
    long result;
  } cases[] = {
      {"I agree", {standin::Press(1)}, 1},
      {"Cancel", {standin::Press(2)}, 2},
      {"Esc or the close box", {}, 2},
      {"another command first changes nothing", {standin::Press(2004), standin::Press(1)}, 1},
  };
  for (const Case& c : cases) {
    standin::ScriptDialog("DLG_LIC", c.actions);
    EXPECT_EQ(Run(), c.result) << c.what;
  }
}

TEST_F(LicenceDialogTest, ProcedureReturnsWhatTheDialogManagerExpects) {
  struct Case {
    UINT message;
    WPARAM wparam;
    INT_PTR handled;
  } cases[] = {
      {WM_INITDIALOG, 0, FALSE},
      {WM_COMMAND, 1, FALSE},
      {WM_COMMAND, 2, TRUE},
      {WM_COMMAND, (1u << 16) | 2, TRUE},  // a notification code in the high word is ignored
      {WM_COMMAND, 2004, FALSE},
      {WM_CLOSE, 0, FALSE},
  };
  for (const Case& c : cases) {
    INT_PTR got = -1;
    standin::OnDialogOpen([&](HWND window) { got = ui::LicenceDialogProc(window, c.message, c.wparam, 0); });
    standin::ScriptDialog("DLG_LIC", {standin::Press(2)});
    Run();
    EXPECT_EQ(got, c.handled) << c.message << " " << c.wparam;
    standin::Reset();
    standin::SetDriveRoot('C', root_);
  }
}

}  // namespace
