// UTF-8 texts into the package's code page: line ends, refusals with the place
// and the character, and the way back for list and extract.
#include "packer/codepage.h"

#include <gtest/gtest.h>

#include "packer/open_page.h"

namespace packer {
namespace {

struct Conversion {
  const char* what;
  std::string utf8;
  TextKind kind;
  std::string expected;
};

TEST(CodePageTest, ConvertsTextsIntoWindows1252) {
  const Conversion cases[] = {
      {"plain ASCII", "Hello", TextKind::Line, "Hello"},
      {"Latin-1 letters", "caf\xc3\xa9 \xc3\x9f", TextKind::Line, "caf\xe9 \xdf"},
      {"euro and quotes from 0x80..0x9F", "\xe2\x82\xac \xe2\x80\x9cq\xe2\x80\x9d", TextKind::Line,
       "\x80 \x93q\x94"},
      {"LF becomes CR LF", "a\nb\n", TextKind::Paragraphs, "a\r\nb\r\n"},
      {"CR LF stays", "a\r\nb", TextKind::Paragraphs, "a\r\nb"},
      {"a lone CR stays", "a\rb", TextKind::Paragraphs, "a\rb"},
      {"tab in paragraphs", "a\tb", TextKind::Paragraphs, "a\tb"},
      {"byte-order mark dropped", "\xef\xbb\xbfHi", TextKind::Line, "Hi"},
      {"empty", "", TextKind::Line, ""},
  };
  CodePage page = Page("1252");
  for (const Conversion& c : cases) {
    std::string out, error;
    EXPECT_TRUE(ToCodePage(c.utf8, page, c.kind, "--x", &out, &error)) << c.what << ": " << error;
    EXPECT_EQ(out, c.expected) << c.what;
  }
}

struct Refusal {
  const char* what;
  std::string utf8;
  TextKind kind;
  std::string message;
};

TEST(CodePageTest, RefusesWithFieldPlaceAndCharacter) {
  const Refusal cases[] = {
      {"character outside the code page", "ab\xc5\xbc", TextKind::Line,
       "--x: line 1, column 3: the character '\xc5\xbc' (U+017C) has no place in code page 1252"},
      {"place counts lines and characters, not bytes", "\xc3\xa9\xc3\xa9\n\xc3\xa9\xe4\xb8\x80", TextKind::Paragraphs,
       "--x: line 2, column 2: the character '\xe4\xb8\x80' (U+4E00)"},
      {"line break in a one-line field", "a\nb", TextKind::Line, "--x: line 1, column 2: the control character U+000A"},
      {"NUL in a text", std::string("a\0b", 3), TextKind::Paragraphs, "the control character U+0000"},
      {"escape in a text", "a\x1b", TextKind::Paragraphs, "the control character U+001B"},
      {"C1 control", "a\xc2\x85", TextKind::Paragraphs, "the control character U+0085"},
      {"stray continuation byte", "a\x80", TextKind::Line, "--x: line 1, column 2: not valid UTF-8"},
      {"overlong NUL", "\xc0\x80", TextKind::Line, "not valid UTF-8"},
      {"overlong slash", "\xe0\x80\xaf", TextKind::Line, "not valid UTF-8"},
      {"surrogate", "\xed\xa0\x80", TextKind::Line, "not valid UTF-8"},
      {"cut short", "\xe2\x82", TextKind::Line, "not valid UTF-8"},
      {"above U+10FFFF", "\xf4\x90\x80\x80", TextKind::Line, "not valid UTF-8"},
      {"undefined in 1252 is still refused as U+0081", "\xc2\x81", TextKind::Line, "U+0081"},
  };
  CodePage page = Page("cp1252");
  for (const Refusal& c : cases) {
    std::string out, error;
    EXPECT_FALSE(ToCodePage(c.utf8, page, c.kind, "--x", &out, &error)) << c.what;
    EXPECT_NE(error.find(c.message), std::string::npos) << c.what << ": " << error;
  }
}

TEST(CodePageTest, OtherAnsiCodePagesHoldTheirLetters) {
  std::string out, error;
  EXPECT_TRUE(ToCodePage("Za\xc5\xbc\xc3\xb3\xc5\x82\xc4\x87", Page("windows-1250"), TextKind::Line, "--x", &out,
                         &error))
      << error;
  EXPECT_EQ(out, "Za\xbf\xf3\xb3\xe6");
  EXPECT_TRUE(ToCodePage("\xd0\x9f\xd1\x80\xd0\xb8", Page("1251"), TextKind::Line, "--x", &out, &error)) << error;
  EXPECT_EQ(out, "\xcf\xf0\xe8");
  // Shift-JIS: katakana "so" is 83 5C, a trail byte equal to '\'.
  EXPECT_TRUE(ToCodePage("\xe3\x82\xbd", Page("932"), TextKind::Line, "--x", &out, &error)) << error;
  EXPECT_EQ(out, "\x83\x5c");
  EXPECT_EQ(Page("932").ToUtf8("\x83\x5c"), "\xe3\x82\xbd");
}

TEST(CodePageTest, RefusesCodePagesWindowsDoesNotUseForAnsi) {
  for (const char* name : {"utf-8", "65001", "437", "1259", "", "cp", "12520"}) {
    CodePage page;
    std::string error;
    EXPECT_FALSE(CodePage::Open(name, &page, &error)) << name;
    EXPECT_NE(error.find("not a Windows ANSI code page"), std::string::npos) << name;
  }
}

TEST(CodePageTest, ReadsCodePageBytesBackAsUtf8) {
  CodePage page = Page("1252");
  EXPECT_EQ(page.ToUtf8("caf\xe9 \x80"), "caf\xc3\xa9 \xe2\x82\xac");
  // The five bytes Windows-1252 leaves undefined come back as the C1 controls.
  EXPECT_EQ(page.ToUtf8("\x81\x8d\x8f\x90\x9d"), "\xc2\x81\xc2\x8d\xc2\x8f\xc2\x90\xc2\x9d");
  // Every byte survives the round trip through UTF-8 and back.
  for (int b = 0x20; b < 0x100; ++b) {
    if (b == 0x7f || b == 0x81 || b == 0x8d || b == 0x8f || b == 0x90 || b == 0x9d) continue;
    std::string byte(1, static_cast<char>(b)), back, error;
    ASSERT_TRUE(ToCodePage(page.ToUtf8(byte), page, TextKind::Line, "--x", &back, &error)) << b << ": " << error;
    EXPECT_EQ(back, byte) << b;
  }
  // A broken double-byte sequence does not stop the rest.
  EXPECT_EQ(Page("932").ToUtf8("a\x83"), "a\xef\xbf\xbd");
}

}  // namespace
}  // namespace packer
