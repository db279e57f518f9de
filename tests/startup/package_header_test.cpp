// Reading the package header and texts, with the integrity and privilege checks
// that run inside it.
#include <gtest/gtest.h>

#include "platform/memory.h"
#include "platform/posix/standin.h"
#include "startup/package_header.h"
#include "startup/setup_state.h"
#include "support/packages.h"
#include "support/test_env.h"
#include "ui/messages.h"

namespace {

using startup::g_Setup;

class PackageHeaderTest : public testenv::Env {
 protected:
  void SetUp() override {
    Env::SetUp();
    g_Setup.InfName = static_cast<char*>(platform::Alloc(startup::kHeaderTextSize));
    g_Setup.Title = static_cast<char*>(platform::Alloc(startup::kHeaderTextSize));
    g_Setup.InfName[0] = g_Setup.Title[0] = '\0';
  }
  void TearDown() override {
    if (g_Setup.PackageFile && !closed_) CloseHandle(g_Setup.PackageFile);
    Env::TearDown();
  }
  // Runs ReadPackageHeader; returns its result, or -1 when the program ended.
  int Read() {
    try {
      return startup::ReadPackageHeader() ? 1 : 0;
    } catch (const standin::ProcessExit& exit) {
      EXPECT_EQ(exit.code, 0u);
      closed_ = true;  // CheckPackageSize closed the file itself
      return -1;
    }
  }
  packer::ArchiveEntry File(const std::string& name, const std::string& data) {
    packer::ArchiveEntry e;
    e.name = name;
    e.data.assign(data.begin(), data.end());
    return e;
  }
  bool closed_ = false;
};

TEST_F(PackageHeaderTest, ReadsFieldsTextsAndArchiveBase) {
  packer::PackageFields f;
  f.title = "0123456789";             // 10
  f.inf = "><setup.inf|";             // 12
  f.info = std::string(30, 'i');      // 30
  f.licence = std::string(1000, 'L'); // 1000
  f.keep_open = 1;
  testenv::OpenPackage("C:\\Setup.exe", testenv::MakePackage(f, {File("setup.inf", "[Version]")}));
  ASSERT_EQ(Read(), 1);
  EXPECT_EQ(g_Setup.ArchiveBase, 35376);  // 34324 + 10 + 12 + 30 + 0 + 1000 + 0
  EXPECT_STREQ(g_Setup.Title, "0123456789");
  EXPECT_TRUE(g_Setup.HasTitle);
  EXPECT_STREQ(g_Setup.InfName, "><setup.inf|");
  EXPECT_EQ(std::string(g_Setup.InfoText), f.info);
  EXPECT_EQ(std::string(g_Setup.LicenceText), f.licence);
  EXPECT_EQ(g_Setup.WelcomeText, ui::kDefaultWelcomeText);
  EXPECT_EQ(g_Setup.KeepOpen, 1);
  EXPECT_TRUE(g_Setup.SizeCheckPassed);
  // The archive's first local header stands at ArchiveBase.
  std::string bytes = testenv::ReadHostFile(Host("C:\\Setup.exe"));
  EXPECT_EQ(bytes.substr(35376, 4), std::string("PK\x03\x04", 4));
  EXPECT_TRUE(standin::RecordedMessageBoxes().empty());
}

TEST_F(PackageHeaderTest, AbsentAndShortTexts) {
  struct Case {
    const char* what;
    std::string welcome, licence, info;
  } cases[] = {
      {"no texts at all", "", "", ""},
      {"one-character texts are shown as stored", "W", "L", "I"},
      {"welcome without licence", "\r\nHello\r\n", "", "v1.0"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TearDown();
    SetUp();
    packer::PackageFields f;
    f.welcome = c.welcome;
    f.licence = c.licence;
    f.info = c.info;
    testenv::OpenPackage("C:\\Setup.exe", testenv::MakePackage(f, {File("a.txt", "a")}));
    ASSERT_EQ(Read(), 1);
    EXPECT_EQ(std::string(g_Setup.WelcomeText), c.welcome.empty() ? ui::kDefaultWelcomeText : c.welcome);
    if (c.licence.empty()) {
      EXPECT_EQ(g_Setup.LicenceText, nullptr);
    } else {
      EXPECT_EQ(std::string(g_Setup.LicenceText), c.licence);
    }
    ASSERT_NE(g_Setup.InfoText, nullptr);  // present, possibly empty
    EXPECT_EQ(std::string(g_Setup.InfoText), c.info);
    EXPECT_FALSE(g_Setup.HasTitle);
    EXPECT_STREQ(g_Setup.Title, "");
  }
}

TEST_F(PackageHeaderTest, WithoutMagicNothingIsReadAndNoCheckRuns) {
  for (const std::string& tail : {std::string(""), std::string("KZ"), std::string("kzb" + std::string(40, '\0'))}) {
    TearDown();
    SetUp();
    packer::Bytes bytes = testenv::FakeStub();
    bytes.insert(bytes.end(), tail.begin(), tail.end());
    testenv::OpenPackage("C:\\Setup.exe", bytes);
    EXPECT_EQ(Read(), 1);
    EXPECT_EQ(g_Setup.ArchiveBase, 0);
    EXPECT_FALSE(g_Setup.SizeCheckPassed);
    EXPECT_EQ(g_Setup.InfoText, nullptr);
    EXPECT_EQ(g_Setup.WelcomeText, nullptr);
    EXPECT_TRUE(standin::RecordedMessageBoxes().empty());
  }
}

TEST_F(PackageHeaderTest, AdministratorRequired) {
  struct Case {
    const char* what;
    bool admin;
    bool damaged;
    int result;
    std::vector<std::string> boxes;
  } cases[] = {
      {"administrator", true, false, 1, {}},
      {"not an administrator", false, false, 0, {ui::kTextNeedAdmin}},
      {"not an administrator, damaged package", false, true, -1, {ui::kTextNeedAdmin, ui::kTextBadSize}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TearDown();
    SetUp();
    closed_ = false;
    standin::SetTokenGroups({{{5, 32, c.admin ? 544u : 545u}, 0}});
    packer::PackageFields f;
    f.needs_admin = 1;
    f.welcome = "hello";
    packer::Bytes bytes = testenv::MakePackage(f, {File("a.txt", "a")});
    if (c.damaged) bytes.push_back(0);
    testenv::OpenPackage("C:\\Setup.exe", bytes);
    EXPECT_EQ(Read(), c.result);
    std::vector<std::string> shown;
    for (const auto& box : standin::RecordedMessageBoxes()) shown.push_back(box.text);
    EXPECT_EQ(shown, c.boxes);
    if (c.result == 0) {
      EXPECT_EQ(std::string(g_Setup.WelcomeText), "hello");  // reading went on
    }
  }
}

// Lengths that are negative or larger than the file mark the package as damaged;
// no block larger than the file is ever requested.
TEST_F(PackageHeaderTest, ImpossibleLengthsAreADamagedPackage) {
  struct Case {
    const char* what;
    int field_offset;  // within the 20-byte header
    std::uint32_t value;
  } cases[] = {
      {"negative welcome length", 8, 0xFFFFFFF0u},
      {"negative licence length", 12, 0x80000000u},
      {"negative extra length", 16, 0xFFFFFFFFu},
      {"welcome length of 2 GiB", 8, 0x7FFFFFFFu},
      {"licence length beyond the file", 12, 1000000u},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TearDown();
    SetUp();
    closed_ = false;
    packer::Bytes bytes = testenv::MakePackage({}, {File("a.txt", "a")});
    for (int i = 0; i < 4; ++i) bytes[34304 + c.field_offset + i] = static_cast<std::uint8_t>(c.value >> (8 * i));
    testenv::OpenPackage("C:\\Setup.exe", bytes);
    standin::ResetHeapPeak();
    long long before = standin::HeapInUse();
    EXPECT_EQ(Read(), -1);
    ASSERT_EQ(standin::RecordedMessageBoxes().size(), 1u);
    EXPECT_EQ(standin::RecordedMessageBoxes()[0].text, ui::kTextBadSize);
    EXPECT_EQ(standin::RecordedMessageBoxes()[0].type, MB_OK | MB_ICONERROR);
    EXPECT_LT(standin::HeapPeak() - before, 70000);  // at most the tail window
  }
}

TEST_F(PackageHeaderTest, PackageCutInsideItsTextsFailsTheSizeCheck) {
  packer::PackageFields f;
  f.licence = std::string(500, 'x');
  packer::Bytes bytes = testenv::MakePackage(f, {File("a.txt", "a")});
  bytes.resize(34324 + 200);
  testenv::OpenPackage("C:\\Setup.exe", bytes);
  EXPECT_EQ(Read(), -1);
  ASSERT_EQ(standin::RecordedMessageBoxes().size(), 1u);
  EXPECT_EQ(standin::RecordedMessageBoxes()[0].text, ui::kTextBadSize);
}

}  // namespace
