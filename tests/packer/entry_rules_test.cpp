// The build-time checks that keep out what the installer would refuse: entry
// names, names Windows cannot tell apart, and the INF field.
#include "packer/entry_rules.h"

#include <gtest/gtest.h>

#include "packer/open_page.h"

namespace packer {
namespace {

struct NameCase {
  std::string utf8;
  bool accepted;
  std::string stored_or_message;
};

TEST(EntryRulesTest, StoredNamesAreWhatTheInstallerAccepts) {
  const NameCase cases[] = {
      {"setup.inf", true, "setup.inf"},
      {"docs/read me.txt", true, "docs/read me.txt"},
      {"empty/", true, "empty/"},
      {"caf\xc3\xa9.txt", true, "caf\xe9.txt"},
      {"CON", false, "\"CON\" is a reserved device name"},
      {"sub/nul.txt", false, "\"nul.txt\" is a reserved device name"},
      {"lpt1.log", false, "reserved device name"},
      {"a:b", false, "holds a ':'"},
      {"x/../y", false, "\"..\" component"},
      {"what?", false, "forbids"},
      {"pipe|name", false, "forbids"},
      {"dot.", false, "ends with a dot or a blank"},
      {"blank /x", false, "ends with a dot or a blank"},
      {"za\xc5\xbc\xc3\xb3\xc5\x82\xc4\x87", false, "(U+017C) has no place in code page 1252"},
      {std::string(257, 'n'), true, std::string(257, 'n')},
      {std::string(258, 'n'), false, "258 bytes long; the installer reads at most 257"},
      {"bad\xff", false, "not valid UTF-8"},
  };
  CodePage page = Page("1252");
  for (const NameCase& c : cases) {
    std::string stored, error;
    bool ok = StoredEntryName(c.utf8, page, &stored, &error);
    EXPECT_EQ(ok, c.accepted) << c.utf8 << ": " << error;
    if (ok) {
      EXPECT_EQ(stored, c.stored_or_message);
    } else {
      EXPECT_NE(error.find(c.stored_or_message), std::string::npos) << c.utf8 << ": " << error;
    }
  }
}

TEST(EntryRulesTest, RefusesDoubleByteCharactersWhoseTrailByteIsASeparator) {
  std::string stored, error;
  // Katakana "so" is 83 5C in Shift-JIS: the installer's byte-wise path routines
  // would see a '\' in it.
  EXPECT_FALSE(StoredEntryName("\xe3\x82\xbd.txt", Page("932"), &stored, &error));
  EXPECT_NE(error.find("'\\' or '|' byte"), std::string::npos) << error;
  // Katakana "a" (83 41) is fine.
  EXPECT_TRUE(StoredEntryName("\xe3\x82\xa2.txt", Page("932"), &stored, &error)) << error;
  EXPECT_EQ(stored, "\x83\x41.txt");
}

struct ClashCase {
  std::vector<std::string> names;
  bool clash;
};

TEST(EntryRulesTest, NamesWindowsCannotTellApartClash) {
  const ClashCase cases[] = {
      {{"Read.me", "READ.ME"}, true},
      {{"a.txt", "b.txt"}, false},
      {{"data", "Data/x"}, true},            // a file and a folder of one name
      {{"Data/x", "data"}, true},            // in either order
      {{"Dir/a", "dir/b"}, false},           // two files in what Windows sees as one folder
      {{"\xc3\x89t\xc3\xa9", "\xc3\xa9t\xc3\xa9"}, true},  // Été and été
      {{"\xc5\xbb", "\xc5\xbc"}, true},      // Ż and ż (Latin Extended-A, odd/even pairs)
      {{"\xc4\x80", "\xc4\x81"}, true},      // Ā and ā (even/odd pairs)
      {{"\xc5\xb8", "\xc3\xbf"}, true},      // Ÿ and ÿ
      {{"empty/", "Empty"}, true},
  };
  for (const ClashCase& c : cases) {
    std::string error;
    EXPECT_EQ(!CheckNameClashes(c.names, &error), c.clash) << c.names[0] << " / " << c.names[1] << ": " << error;
  }
}

struct InfCase {
  std::string field;
  bool accepted;
  std::string message;
};

TEST(EntryRulesTest, TheInfFieldMustNameAPackedFile) {
  const std::vector<std::string> files = {"setup.inf", "drivers/net.inf", "readme.txt"};
  const InfCase cases[] = {
      {"><setup.inf", true, ""},
      {"><SETUP.INF", true, ""},                        // Windows ignores case
      {"><drivers\\net.inf", true, ""},                 // and '/' versus '\'
      {"><setup.inf|anything after the bar", true, ""},  // only the text before '|' is a path
      {"><missing.inf", false, "names \"missing.inf\", which is not a file of the package"},
      {"><", false, "which is not a file of the package"},
      {"", false, "does not name a file of the package"},
      {"|><setup.inf", false, "does not name a file of the package"},
      {"C:\\Windows\\inf\\x.inf", false, "does not name a file of the package"},
      {"><drivers><net.inf", false, "more than once"},
      {"><drivers", false, "not a file of the package"},
  };
  for (const InfCase& c : cases) {
    std::string error;
    EXPECT_EQ(CheckInfField(c.field, files, &error), c.accepted) << c.field << ": " << error;
    if (!c.accepted) {
      EXPECT_NE(error.find(c.message), std::string::npos) << c.field << ": " << error;
    }
  }
}

TEST(EntryRulesTest, TheDefaultInfFieldIsTheOneInfFileAtTheTop) {
  std::string field, error;
  EXPECT_TRUE(DefaultInfField({"a.txt", "Setup.INF", "sub/other.inf"}, &field, &error)) << error;
  EXPECT_EQ(field, "><Setup.INF");
  EXPECT_FALSE(DefaultInfField({"a.txt", "sub/other.inf"}, &field, &error));
  EXPECT_NE(error.find("no .inf file at the top"), std::string::npos) << error;
  EXPECT_FALSE(DefaultInfField({"a.inf", "b.inf"}, &field, &error));
  EXPECT_NE(error.find("several .inf files at the top of the source folder (a.inf, b.inf)"), std::string::npos)
      << error;
  EXPECT_FALSE(DefaultInfField({".inf"}, &field, &error)) << "a bare extension is no INF file name";
}

}  // namespace
}  // namespace packer
