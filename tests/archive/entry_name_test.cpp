// IsSafeEntryName: which stored names may be joined to the working directory.
#include <gtest/gtest.h>

#include <string>

#include "archive/entry_name.h"

namespace {

struct Case {
  const char* what;
  std::string name;
};

TEST(IsSafeEntryName, AcceptsPlainRelativeNames) {
  const Case cases[] = {
      {"file", "setup.inf"},
      {"nested with /", "dir/sub/file.txt"},
      {"nested with \\", "dir\\sub\\file.txt"},
      {"mixed separators", "dir/sub\\file"},
      {"directory entry", "dir/"},
      {"nested directory entry with \\", "dir\\sub\\"},
      {"several dots inside", "a.b.c"},
      {"leading dots", "...a"},
      {"dotfile", ".profile"},
      {"leading blank", " lead"},
      {"inner blank", "a b"},
      {"device name as a longer word", "CONSOLE.txt"},
      {"device name with a suffix", "con1"},
      {"COM with two digits", "COM10"},
      {"LPT without digit", "LPT"},
      {"device name inside a longer component", "xnul.txt"},
      {"device name as a directory suffix", "dir/auxiliary"},
      {"high ANSI bytes", "caf\xE9/\xFC"},
      {"DEL character", "a\x7F"},
      {"dollar and other punctuation", "$Pellmor#1 (copy) [x] {y} ~z &'+,;=@^`!%"},
  };
  for (const Case& c : cases) EXPECT_TRUE(archive::IsSafeEntryName(c.name.c_str())) << c.what << ": " << c.name;
}

TEST(IsSafeEntryName, RefusesNamesThatLeaveOrAliasTheWorkingDirectory) {
  const Case cases[] = {
      {"empty", ""},
      {"parent", ".."},
      {"parent component", "../evil.exe"},
      {"parent deeper", "a/../../evil.exe"},
      {"parent with \\", "a\\..\\..\\evil.exe"},
      {"parent at the end", "a/.."},
      {"parent directory entry", "../"},
      {"current directory", "."},
      {"current component", "a/./b"},
      {"leading /", "/etc/passwd"},
      {"leading \\", "\\Windows\\evil.exe"},
      {"UNC", "\\\\server\\share\\evil.exe"},
      {"device path", "\\\\?\\C:\\evil.exe"},
      {"drive relative", "C:evil.exe"},
      {"drive absolute", "C:\\evil.exe"},
      {"drive with /", "c:/evil.exe"},
      {"alternate data stream", "file.txt:stream"},
      {"colon inside a directory", "a:b/c"},
      {"empty component", "a//b"},
      {"empty component with \\", "a\\\\b"},
      {"two trailing separators", "a//"},
      {"trailing dot", "file."},
      {"three dots", "..."},
      {"trailing dot of a directory", "dir./file"},
      {"trailing blank", "file "},
      {"trailing blank of a directory", "dir /file"},
      {"less than", "a<b"},
      {"greater than", "a>b"},
      {"double quote", "a\"b"},
      {"pipe", "a|b"},
      {"question mark", "a?b"},
      {"star", "*.*"},
      {"control character", "a\x01" "b"},
      {"tab", "a\tb"},
      {"line feed", "a\nb"},
      {"CON", "CON"},
      {"con lower case", "con"},
      {"PRN with extension", "prn.txt"},
      {"AUX with two extensions", "aux.tar.gz"},
      {"NUL with blanks before the dot", "NUL  .log"},
      {"COM1", "COM1"},
      {"com9 with extension", "com9.dat"},
      {"COM0", "COM0"},
      {"LPT1", "lpt1"},
      {"LPT superscript one", "LPT\xB9"},
      {"COM superscript two", "COM\xB2.txt"},
      {"COM superscript three", "com\xB3"},
      {"CONIN$", "CONIN$"},
      {"conout$ with extension", "conout$.txt"},
      {"device as a directory", "con/file.txt"},
      {"device deeper", "dir/sub/nul"},
      {"device as a directory entry", "aux/"},
  };
  for (const Case& c : cases) EXPECT_FALSE(archive::IsSafeEntryName(c.name.c_str())) << c.what << ": " << c.name;
}

}  // namespace
