// Start-up: the working directory's name, PrepareSetup and the whole run from the
// entry point to clean-up.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstring>

#include "platform/memory.h"
#include "platform/posix/standin.h"
#include "startup/prepare_setup.h"
#include "startup/setup_state.h"
#include "support/packages.h"
#include "support/test_env.h"
#include "ui/messages.h"

namespace {

using startup::g_Setup;

class WorkDirTest : public testenv::Env {};

TEST_F(WorkDirTest, Cases) {
  const std::string long_temp = "C:\\" + std::string(240, 't') + "\\";  // fits 254, not with the name
  const std::string too_long_temp = "C:\\" + std::string(260, 't') + "\\";
  struct Case {
    const char* what;
    std::string temp, start, system, expected;
  } cases[] = {
      {"temp path without its backslash", "C:\\TEMP\\", "C:\\Downloads", "C:\\WINDOWS\\system32", "C:\\TEMP\\$Pellmor.Tmp"},
      {"started in the temp directory", "C:\\TEMP\\", "C:\\TEMP", "C:\\WINDOWS\\SYSTEM", "C:\\WINDOWS\\SYSTEM\\$Pellmor.Tmp"},
      {"comparison is case-sensitive", "C:\\TEMP\\", "C:\\Temp", "C:\\WINDOWS", "C:\\TEMP\\$Pellmor.Tmp"},
      {"temp C:\\ against current C:\\", "C:\\", "C:\\", "C:\\WINDOWS", "C:\\$Pellmor.Tmp"},
      {"one-character temp path", "\\", "C:\\", "C:\\WINDOWS", "C:\\WINDOWS\\$Pellmor.Tmp"},
      {"no temp path", "", "C:\\", "C:\\WINDOWS", "C:\\WINDOWS\\$Pellmor.Tmp"},
      {"temp path too long for its buffer", too_long_temp, "C:\\", "C:\\WINDOWS", "C:\\WINDOWS\\$Pellmor.Tmp"},
      {"temp path too long for the name", long_temp, "C:\\", "C:\\WINDOWS", "C:\\WINDOWS\\$Pellmor.Tmp"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::memset(g_Setup.WorkDir, 0, sizeof g_Setup.WorkDir);
    standin::SetTempPath(c.temp);
    std::strcpy(g_Setup.StartDir, c.start.c_str());
    std::strcpy(g_Setup.SystemDir, c.system.c_str());
    startup::ComputeWorkDir();
    EXPECT_EQ(std::string(g_Setup.WorkDir), c.expected);
    EXPECT_LE(std::strlen(g_Setup.WorkDir), 255u);
  }
}

class RunSetupTest : public testenv::Env {
 protected:
  void SetUp() override {
    Env::SetUp();
    platform::Free(g_Setup.CrcTable);  // the run allocates and builds its own
    g_Setup.CrcTable = nullptr;
  }
  void Run() {
    try {
      startup::RunSetup();
    } catch (const standin::ProcessExit& exit) {
      ended_early_ = true;
      EXPECT_EQ(exit.code, 0u);
    }
  }
  packer::Bytes Package(const packer::PackageFields& fields) {
    packer::ArchiveEntry e;
    e.name = "setup.inf";
    e.data = {'[', 'V', ']'};
    return testenv::MakePackage(fields, {e});
  }
  std::vector<std::string> Boxes() {
    std::vector<std::string> out;
    for (const auto& b : standin::RecordedMessageBoxes()) out.push_back(b.caption + ": " + b.text);
    return out;
  }
  bool ended_early_ = false;
};

TEST_F(RunSetupTest, OpensTheMainDialogAndCleansUp) {
  packer::PackageFields f;
  f.title = "Hello Setup";
  mkdir(Host("C:\\Downloads").c_str(), 0755);
  testenv::WriteHostFile(Host("C:\\Downloads\\Setup.exe"), Package(f));
  standin::SetModuleFileName("C:\\Downloads\\Setup.exe");
  standin::SetCurrentDirectory("C:\\Downloads");
  mkdir(Host("C:\\TEMP\\$Pellmor.Tmp").c_str(), 0755);  // an empty leftover is removed at the end
  standin::ScriptDialog("DLG_MAIN", {standin::Press(IDCANCEL)});
  long long heap = standin::HeapInUse();
  Run();
  EXPECT_FALSE(ended_early_);
  EXPECT_EQ(standin::DialogResults("DLG_MAIN").size(), 1u);
  EXPECT_TRUE(Boxes().empty());
  EXPECT_EQ(std::string(g_Setup.StartDir), "C:\\Downloads");
  EXPECT_EQ(std::string(g_Setup.SystemDir), "C:\\WINDOWS\\system32");
  EXPECT_EQ(std::string(g_Setup.WorkDir), "C:\\TEMP\\$Pellmor.Tmp");
  EXPECT_EQ(std::string(g_Setup.BuiltInNotice).size(), 101u);
  EXPECT_EQ(std::string(g_Setup.BuiltInNotice).substr(0, 7), "Pellmor");
  EXPECT_FALSE(testenv::HostExists(Host("C:\\TEMP\\$Pellmor.Tmp")));
  EXPECT_EQ(g_Setup.CrcTable, nullptr);
  EXPECT_EQ(g_Setup.InfName, nullptr);
  EXPECT_EQ(g_Setup.Title, nullptr);
  // Only the header texts, which live until the process ends, remain allocated.
  long long texts = static_cast<long long>(std::strlen(g_Setup.InfoText) + 1);
  EXPECT_EQ(standin::HeapInUse() - heap, texts);
}

TEST_F(RunSetupTest, OwnFileCannotBeOpened) {
  standin::SetModuleFileName("C:\\Gone\\Setup.exe");
  Run();
  EXPECT_FALSE(ended_early_);
  EXPECT_EQ(Boxes(), std::vector<std::string>{"Cannot open file ..: C:\\Gone\\Setup.exe"});
  EXPECT_TRUE(standin::DialogResults("DLG_MAIN").empty());
}

TEST_F(RunSetupTest, AdministratorMissingShowsNoDialog) {
  packer::PackageFields f;
  f.needs_admin = 1;
  testenv::WriteHostFile(Host("C:\\Setup.exe"), Package(f));
  standin::SetModuleFileName("C:\\Setup.exe");
  standin::SetTokenGroups({{{5, 32, 545}, 0}});
  Run();
  EXPECT_FALSE(ended_early_);
  EXPECT_EQ(Boxes(), std::vector<std::string>{std::string("Error: ") + ui::kTextNeedAdmin});
  EXPECT_TRUE(standin::DialogResults("DLG_MAIN").empty());
}

TEST_F(RunSetupTest, DamagedPackageEndsBeforeTheDialog) {
  packer::Bytes bytes = Package({});
  bytes.resize(bytes.size() - 1);
  testenv::WriteHostFile(Host("C:\\Setup.exe"), bytes);
  standin::SetModuleFileName("C:\\Setup.exe");
  Run();
  EXPECT_TRUE(ended_early_);
  EXPECT_EQ(Boxes(), std::vector<std::string>{std::string("Error: ") + ui::kTextBadSize});
  EXPECT_TRUE(standin::DialogResults("DLG_MAIN").empty());
}

TEST_F(RunSetupTest, FileWithoutHeaderStillShowsTheDialog) {
  testenv::WriteHostFile(Host("C:\\Setup.exe"), testenv::FakeStub());
  standin::SetModuleFileName("C:\\Setup.exe");
  standin::ScriptDialog("DLG_MAIN", {standin::Press(IDCANCEL)});
  Run();
  EXPECT_FALSE(ended_early_);
  EXPECT_TRUE(Boxes().empty());
  EXPECT_EQ(standin::DialogResults("DLG_MAIN").size(), 1u);
  EXPECT_EQ(g_Setup.ArchiveBase, 0);
}

}  // namespace
