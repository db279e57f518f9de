// package.ini, the option values the build takes, MS-DOS times and where the
// default stub is looked for.
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

#include "packer/config_ini.h"
#include "packer/dos_time.h"
#include "packer/package_build.h"
#include "packer/source_tree.h"
#include "packer/stub_locate.h"

namespace packer {
namespace {

TEST(ConfigIniTest, ReadsKeysValuesAndComments) {
  std::vector<IniSetting> settings;
  std::string error;
  ASSERT_TRUE(ParseIni("\xef\xbb\xbf; comment\n# another\n\n[package]\ntitle = Hello World \r\n"
                       "info=\"  kept blanks  \"\nkeep-open = yes\ninf = ><setup.inf|x=y\n",
                       "p.ini", &settings, &error))
      << error;
  ASSERT_EQ(settings.size(), 4u);
  EXPECT_EQ(settings[0].key, "title");
  EXPECT_EQ(settings[0].value, "Hello World");
  EXPECT_EQ(settings[0].line, 5);
  EXPECT_EQ(settings[1].value, "  kept blanks  ");
  EXPECT_EQ(settings[2].value, "yes");
  EXPECT_EQ(settings[3].value, "><setup.inf|x=y") << "only the first '=' separates";
}

TEST(ConfigIniTest, RefusesMalformedLinesNamingThem) {
  const std::pair<const char*, const char*> cases[] = {
      {"title = a\njust words\n", "p.ini:2: expected \"key = value\""},
      {"[other]\n", "p.ini:1: unknown section [other]"},
      {"title = a\ntitle = b\n", "p.ini:2: \"title\" is given twice"},
      {" = value\n", "p.ini:1: a value without a key"},
  };
  for (const auto& [text, message] : cases) {
    std::vector<IniSetting> settings;
    std::string error;
    EXPECT_FALSE(ParseIni(text, "p.ini", &settings, &error)) << text;
    EXPECT_EQ(error.rfind(message, 0), 0u) << text << ": " << error;
  }
}

TEST(BuildOptionsTest, ValuesAreCheckedAndPathsFollowTheIni) {
  BuildOptions o;
  std::string error;
  EXPECT_TRUE(SetBuildOption(&o, "welcome", "texts/welcome.txt", "/repo/pkg", &error));
  EXPECT_EQ(*o.welcome_file, "/repo/pkg/texts/welcome.txt");
  EXPECT_TRUE(SetBuildOption(&o, "licence", "/abs/licence.txt", "/repo/pkg", &error));
  EXPECT_EQ(*o.licence_file, "/abs/licence.txt");
  EXPECT_TRUE(SetBuildOption(&o, "license", "l.txt", "", &error)) << "the American spelling is understood";
  EXPECT_EQ(*o.licence_file, "l.txt");
  EXPECT_TRUE(SetBuildOption(&o, "title", "a/b", "/repo", &error));
  EXPECT_EQ(*o.title, "a/b") << "texts are not paths";

  const std::pair<const char*, const char*> good[] = {{"level", "0"}, {"level", "12"}, {"keep-open", "Yes"},
                                                      {"keep-open", ""},  {"needs-admin", "off"},
                                                      {"stub-arch", "win64"}};
  for (const auto& [key, value] : good) EXPECT_TRUE(SetBuildOption(&o, key, value, "", &error)) << key << "=" << value;
  const std::pair<const char*, const char*> bad[] = {{"level", "13"},      {"level", "-1"},     {"level", "x"},
                                                     {"level", ""},        {"keep-open", "maybe"},
                                                     {"stub-arch", "arm"}, {"colour", "blue"}};
  for (const auto& [key, value] : bad) {
    EXPECT_FALSE(SetBuildOption(&o, key, value, "", &error)) << key << "=" << value;
    EXPECT_NE(error.find(key), std::string::npos) << error;
  }
}

TEST(BuildOptionsTest, SourceDateEpochIsACountOfSeconds) {
  std::int64_t seconds = 0;
  EXPECT_TRUE(ParseSourceDateEpoch("1700000000", &seconds));
  EXPECT_EQ(seconds, 1700000000);
  for (const char* bad : {"", "-1", "1.5", "soon", "1700000000 "}) EXPECT_FALSE(ParseSourceDateEpoch(bad, &seconds)) << bad;
}

TEST(BuildOptionsTest, ExcludePatternsMatchNamesAnywhereOrWholePaths) {
  const std::vector<std::string> patterns = {"*.bak", ".git", "docs/draft-*"};
  const std::pair<const char*, bool> cases[] = {
      {"a.bak", true},          {"sub/deep/b.bak", true},  {"a.bak.txt", false},
      {".git", true},           {"sub/.git", true},        {"sub/.github", false},
      {"docs/draft-1.txt", true}, {"other/docs/draft-1.txt", false},
      {"docs/sub/draft-1.txt", false},  // '*' does not cross a '/'
      {"setup.inf", false},
  };
  for (const auto& [name, excluded] : cases) EXPECT_EQ(IsExcluded(name, patterns), excluded) << name;

  BuildOptions o;
  std::string error;
  ASSERT_TRUE(SetBuildOption(&o, "exclude", "package.ini  *.txt", "/base", &error));
  ASSERT_TRUE(SetBuildOption(&o, "exclude", ".git", "", &error));
  EXPECT_EQ(o.exclude, (std::vector<std::string>{"package.ini", "*.txt", ".git"})) << "patterns add up, not paths";
}

TEST(DosTimeTest, UtcTimesInTwoSecondUnitsWithinTheDosRange) {
  struct Case {
    std::int64_t seconds;
    const char* shown;
  };
  const Case cases[] = {
      {1700000000, "2023-11-14 22:13:20"},
      {1700000001, "2023-11-14 22:13:20"},  // odd seconds round down
      {315532800, "1980-01-01 00:00:00"},   // the first DOS day
      {0, "1980-01-01 00:00:00"},           // before it: clamped
      {4354819199, "2107-12-31 23:59:58"},  // the last DOS second
      {5000000000, "2107-12-31 23:59:58"},  // after it: clamped
  };
  for (const Case& c : cases) EXPECT_EQ(FormatDosTime(ToDosTime(c.seconds, true)), c.shown) << c.seconds;
}

TEST(DosTimeTest, LocalTimesComeBackAsTheyWent) {
  const char* old = std::getenv("TZ");
  std::string saved = old ? old : "";
  setenv("TZ", "CET-1CEST,M3.5.0,M10.5.0/3", 1);  // Central Europe, without the zone database
  tzset();
  DosTime dos = ToDosTime(1700000000, false);
  EXPECT_EQ(FormatDosTime(dos), "2023-11-14 23:13:20");
  EXPECT_EQ(FromDosTime(dos), 1700000000);
  EXPECT_EQ(FromDosTime({0, 0}), -1) << "month 0 is no date";
  if (old) setenv("TZ", saved.c_str(), 1);
  else unsetenv("TZ");
  tzset();
}

TEST(StubLocateTest, TheEnvironmentComesFirstThenThePackerThenTheSourceTree) {
  EXPECT_EQ(StubCandidates("win32", false, "/env", "/opt/bin", "/src"),
            (std::vector<std::string>{"/env/win32/pellmor-stub.exe", "/env/pellmor-stub.exe",
                                      "/opt/bin/win32/pellmor-stub.exe", "/opt/bin/pellmor-stub.exe",
                                      "/opt/bin/../share/pellmor/win32/pellmor-stub.exe",
                                      "/src/build/win32/pellmor-stub.exe"}));
  EXPECT_EQ(StubCandidates("win64", true, "", "/opt/bin", ""),
            (std::vector<std::string>{"/opt/bin/win64/pellmor-stub-admin.exe",
                                      "/opt/bin/../share/pellmor/win64/pellmor-stub-admin.exe"}))
      << "the twin is never taken from a folder's top, where the i686 stub lies";
  EXPECT_EQ(FindStub({"/nonexistent/pellmor-stub.exe", "/"}), "") << "a folder is no stub";
}

}  // namespace
}  // namespace packer
