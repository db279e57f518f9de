// The INF installer launch: the INF path from the header's field, the engine's
// program and command line to the character, the start-up record, the current
// directories around the run, and the exit-code rule.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstring>
#include <string>

#include "installer/inf_launch.h"
#include "platform/memory.h"
#include "platform/posix/standin.h"
#include "startup/setup_state.h"
#include "support/test_env.h"
#include "ui/messages.h"

namespace {

using startup::g_Setup;

constexpr char kWork[] = "C:\\TEMP\\$Pellmor.Tmp";
constexpr char kStart[] = "C:\\Downloads";
constexpr char kSystem[] = "C:\\WINDOWS\\system32";
constexpr char kEntry[] = ",InstallHinfSection DefaultInstall 132 ";

class InfLaunchTest : public testenv::Env {
 protected:
  void SetUp() override {
    Env::SetUp();
    mkdir(Host(kWork).c_str(), 0755);
    mkdir(Host(kStart).c_str(), 0755);
    g_Setup.InfName = static_cast<char*>(platform::Alloc(startup::kHeaderTextSize));
    g_Setup.InfName[0] = '\0';
    std::strcpy(g_Setup.WorkDir, kWork);
    std::strcpy(g_Setup.StartDir, kStart);
    std::strcpy(g_Setup.SystemDir, kSystem);
    standin::SetCurrentDirectory(kStart);
  }
  void SetInf(const std::string& field) {
    ASSERT_LT(field.size(), startup::kHeaderTextSize);
    std::strcpy(g_Setup.InfName, field.c_str());
  }
  std::string Build(bool* fits = nullptr) {
    char path[installer::kInfPathSize];
    std::memset(path, 'x', sizeof path);
    bool ok = installer::BuildInfPath(path, sizeof path);
    if (fits) *fits = ok;
    return path;
  }
  std::vector<std::string> Boxes() {
    std::vector<std::string> out;
    for (const auto& b : standin::RecordedMessageBoxes())
      out.push_back(b.caption + ": " + b.text + (b.type == MB_OK && !b.owned ? "" : " (styled)"));
    return out;
  }
  std::string CurrentDirectory() {
    char buffer[300];
    GetCurrentDirectoryA(sizeof buffer, buffer);
    return buffer;
  }
};

TEST_F(InfLaunchTest, InfPathFromTheField) {
  struct Case {
    const char* what;
    std::string work, field, expected;
  } cases[] = {
      {"token and name", kWork, "><setup.inf", "C:\\TEMP\\$Pellmor.Tmp\\setup.inf"},
      {"backslash never doubled", "C:\\TEMP\\$Pellmor.Tmp\\", "><setup.inf", "C:\\TEMP\\$Pellmor.Tmp\\setup.inf"},
      {"text after '|' has no effect", kWork, "><setup.inf|Hello there", "C:\\TEMP\\$Pellmor.Tmp\\setup.inf"},
      {"only the first '|' counts", kWork, "><a.inf|><b.inf|c", "C:\\TEMP\\$Pellmor.Tmp\\a.inf"},
      {"leading '|' gives an empty path", kWork, "|><setup.inf", ""},
      {"several tokens", kWork, "><sub\\><x.inf", "C:\\TEMP\\$Pellmor.Tmp\\sub\\C:\\TEMP\\$Pellmor.Tmp\\x.inf"},
      {"token at the end", kWork, "D:\\x\\><", "D:\\x\\C:\\TEMP\\$Pellmor.Tmp\\"},
      {"no token: unchanged", kWork, "D:\\setup\\Install.inf", "D:\\setup\\Install.inf"},
      {"split token is no token", kWork, ">x<setup.inf", ">x<setup.inf"},
      {"token cut by '|'", kWork, ">|<setup.inf", ">"},
      {"empty field", kWork, "", ""},
      {"empty working directory", "", "><setup.inf", "\\setup.inf"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::strcpy(g_Setup.WorkDir, c.work.c_str());
    SetInf(c.field);
    bool fits = false;
    EXPECT_EQ(Build(&fits), c.expected);
    EXPECT_TRUE(fits);
    // The working directory keeps the backslash it was given.
    std::string expected_work = !c.work.empty() && c.work.back() == '\\' ? c.work : c.work + "\\";
    EXPECT_EQ(std::string(g_Setup.WorkDir), expected_work);
  }
}

TEST_F(InfLaunchTest, ShortFormOnlyWhenShorterAndTheCallSucceeds) {
  const std::string long_path = std::string(kWork) + "\\Long Setup Name.inf";
  testenv::WriteHostFile(Host(long_path), "[Version]");
  SetInf("><Long Setup Name.inf");
  struct Case {
    const char* what;
    std::string short_form, expected;
  } cases[] = {
      {"shorter: taken", "C:\\TEMP\\$PELLM~1.TMP\\LONGSE~1.INF", "C:\\TEMP\\$PELLM~1.TMP\\LONGSE~1.INF"},
      {"one shorter: taken", long_path.substr(1), long_path.substr(1)},
      {"same length: does not fit, long form stays", long_path, long_path},
      {"longer: long form stays", long_path + "x", long_path},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    standin::SetShortPathName(long_path, c.short_form);
    EXPECT_EQ(Build(), c.expected);
  }
  // A path that names nothing has no short form: the call fails, the path stays.
  SetInf("><missing file.inf");
  EXPECT_EQ(Build(), std::string(kWork) + "\\missing file.inf");
}

TEST_F(InfLaunchTest, OverlongResultsAreRefused) {
  // The longest working directory (255 characters, no room for the backslash in
  // place) with five tokens: 5 x 256 characters do not fit the path buffer.
  std::string work = "C:\\" + std::string(252, 'w');
  ASSERT_EQ(work.size(), 255u);
  std::strcpy(g_Setup.WorkDir, work.c_str());
  SetInf("><><><");
  bool fits = false;
  EXPECT_EQ(Build(&fits), work + "\\" + work + "\\" + work + "\\");  // three fit: the backslash is still added
  EXPECT_TRUE(fits);
  SetInf("><><><><><");
  EXPECT_EQ(Build(&fits), "");
  EXPECT_FALSE(fits);

  // The launch refuses it with its own message and starts nothing.
  standin::SetCurrentDirectory(kStart);
  installer::LaunchInfInstaller();
  EXPECT_TRUE(standin::RecordedProcesses().empty());
  EXPECT_EQ(Boxes(), std::vector<std::string>{"Error: Couldn't initialize installation."});
  EXPECT_EQ(CurrentDirectory(), kStart);
  EXPECT_EQ(std::string(g_Setup.WorkDir), work);
}

TEST_F(InfLaunchTest, CommandLineAndStartupRecordToTheCharacter) {
  SetInf("><setup.inf|ignored");
  installer::LaunchInfInstaller();
  ASSERT_EQ(standin::RecordedProcesses().size(), 1u);
  const standin::ProcessRecord& p = standin::RecordedProcesses()[0];
  EXPECT_EQ(p.command_line,
            "RunDll32.exe SetupApi.dll,InstallHinfSection DefaultInstall 132 C:\\TEMP\\$Pellmor.Tmp\\setup.inf");
  EXPECT_EQ(p.application, "C:\\WINDOWS\\system32\\RunDll32.exe");  // full path: no search
  EXPECT_EQ(p.flags, 0x90u);
  EXPECT_TRUE(p.inherit_handles);
  EXPECT_FALSE(p.has_environment);
  EXPECT_EQ(p.current_directory_arg, "");
  EXPECT_EQ(p.current_directory, kWork);

  STARTUPINFOA expected;
  std::memset(&expected, 0, sizeof expected);
  expected.cb = sizeof expected;
  expected.dwFlags = STARTF_USESHOWWINDOW;
  expected.wShowWindow = SW_SHOWDEFAULT;
  const STARTUPINFOA& s = p.startup;
  EXPECT_EQ(s.cb, expected.cb);
  EXPECT_EQ(s.dwFlags, 1u);
  EXPECT_EQ(s.wShowWindow, 10);
  EXPECT_EQ(s.lpReserved, nullptr);
  EXPECT_EQ(s.lpDesktop, nullptr);
  EXPECT_EQ(s.lpTitle, nullptr);
  EXPECT_EQ(s.dwX | s.dwY | s.dwXSize | s.dwYSize | s.dwXCountChars | s.dwYCountChars | s.dwFillAttribute, 0u);
  EXPECT_EQ(s.cbReserved2, 0);
  EXPECT_EQ(s.lpReserved2, nullptr);
  EXPECT_EQ(s.hStdInput, nullptr);
  EXPECT_EQ(s.hStdOutput, nullptr);
  EXPECT_EQ(s.hStdError, nullptr);

  EXPECT_TRUE(standin::RecordedMessageBoxes().empty());
  EXPECT_EQ(CurrentDirectory(), kStart);
  EXPECT_EQ(std::string(g_Setup.WorkDir), kWork);  // no trailing backslash after the launch
}

TEST_F(InfLaunchTest, EngineChoice) {
  struct Case {
    const char* what;
    bool setupx, rundll32;
    std::string application, engine;
  } cases[] = {
      {"SetupX.dll absent", false, true, "C:\\WINDOWS\\system32\\RunDll32.exe", "RunDll32.exe SetupApi.dll"},
      {"SetupX.dll present, RunDll32 too", true, true, "C:\\WINDOWS\\system32\\RunDll.exe", "RunDll.exe SetupX.dll"},
      {"SetupX.dll present alone", true, false, "C:\\WINDOWS\\system32\\RunDll.exe", "RunDll.exe SetupX.dll"},
  };
  SetInf("><setup.inf");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::string setupx = Host(std::string(kSystem) + "\\SetupX.dll");
    std::string rundll32 = Host(std::string(kSystem) + "\\RunDll32.exe");
    unlink(setupx.c_str());
    unlink(rundll32.c_str());
    if (c.setupx) testenv::WriteHostFile(setupx, "MZ");
    if (c.rundll32) testenv::WriteHostFile(rundll32, "MZ");
    std::size_t before = standin::RecordedProcesses().size();
    installer::LaunchInfInstaller();
    ASSERT_EQ(standin::RecordedProcesses().size(), before + 1);
    const standin::ProcessRecord& p = standin::RecordedProcesses().back();
    EXPECT_EQ(p.application, c.application);
    EXPECT_EQ(p.command_line, c.engine + kEntry + kWork + "\\setup.inf");
  }
  // SetupX.dll elsewhere (the start folder, the working directory) does not count.
  unlink(Host(std::string(kSystem) + "\\SetupX.dll").c_str());
  testenv::WriteHostFile(Host(std::string(kStart) + "\\SetupX.dll"), "MZ");
  testenv::WriteHostFile(Host(std::string(kWork) + "\\SetupX.dll"), "MZ");
  installer::LaunchInfInstaller();
  EXPECT_EQ(standin::RecordedProcesses().back().application, "C:\\WINDOWS\\system32\\RunDll32.exe");
}

TEST_F(InfLaunchTest, EmptyFieldEndsTheCommandLineWithTheBlank) {
  installer::LaunchInfInstaller();
  ASSERT_EQ(standin::RecordedProcesses().size(), 1u);
  EXPECT_EQ(standin::RecordedProcesses()[0].command_line, "RunDll32.exe SetupApi.dll" + std::string(kEntry));
}

TEST_F(InfLaunchTest, ExitCodeRule) {
  struct Case {
    const char* what;
    bool start_fails;
    unsigned exit_code;
    bool code_unreadable;
    bool message;
  } cases[] = {
      {"exit 0", false, 0, false, false},
      {"exit 1", false, 1, false, false},
      {"an error code", false, 0x80070002u, false, false},
      {"exit -2", false, 0xFFFFFFFEu, false, false},
      {"exit -1", false, 0xFFFFFFFFu, false, true},
      {"start failure", true, 0, false, true},
      {"exit code cannot be read", false, 0, true, true},
  };
  SetInf("><setup.inf");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    standin::Reset();
    standin::SetDriveRoot('C', root_);
    standin::SetCurrentDirectory(kStart);
    standin::FailExitCodeQuery(c.code_unreadable);
    std::string seen_directory;
    standin::ScriptProcess(c.start_fails, c.exit_code, [&] { seen_directory = CurrentDirectory(); });
    installer::LaunchInfInstaller();
    EXPECT_EQ(standin::RecordedProcesses().size(), 1u);
    // The engine runs in the working directory.
    EXPECT_EQ(seen_directory, c.start_fails ? "" : kWork);
    std::vector<std::string> expected;
    if (c.message) expected.push_back("Error: Couldn't initialize installation.");
    EXPECT_EQ(Boxes(), expected);
    EXPECT_EQ(CurrentDirectory(), kStart);  // restored on every way out
  }
}

TEST_F(InfLaunchTest, NoEngineWithoutItsPlace) {
  SetInf("><setup.inf");
  struct Case {
    const char* what;
    std::string system, work;
  } cases[] = {
      {"system directory unknown", "", kWork},
      {"working directory cannot be entered", kSystem, "C:\\TEMP\\gone"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    standin::Reset();
    standin::SetDriveRoot('C', root_);
    standin::SetCurrentDirectory(kStart);
    std::strcpy(g_Setup.SystemDir, c.system.c_str());
    std::strcpy(g_Setup.WorkDir, c.work.c_str());
    installer::LaunchInfInstaller();
    EXPECT_TRUE(standin::RecordedProcesses().empty());
    EXPECT_EQ(Boxes(), std::vector<std::string>{"Error: Couldn't initialize installation."});
    EXPECT_EQ(CurrentDirectory(), kStart);
  }
}

TEST_F(InfLaunchTest, LongestPathFitsTheCommandLine) {
  // A path that fills its buffer to the last byte still goes into the command
  // line whole: the command line buffer is sized for the longest path.
  std::string work = "C:\\" + std::string(196, 'w');  // 199 characters: 200 per token
  std::strcpy(g_Setup.WorkDir, work.c_str());
  mkdir(Host(work).c_str(), 0755);
  std::string tail(installer::kInfPathSize - 1 - 4 * 200, 'n');
  SetInf("><><><><" + tail);
  ASSERT_EQ(Build().size(), installer::kInfPathSize - 1);
  installer::LaunchInfInstaller();
  ASSERT_EQ(standin::RecordedProcesses().size(), 1u);
  EXPECT_EQ(standin::RecordedProcesses()[0].command_line.size(), 25 + 39 + installer::kInfPathSize - 1);
  EXPECT_TRUE(standin::RecordedMessageBoxes().empty());
  // One more character does not fit and is refused, never cut.
  SetInf("><><><><" + tail + "n");
  bool fits = true;
  EXPECT_EQ(Build(&fits), "");
  EXPECT_FALSE(fits);
}

}  // namespace
