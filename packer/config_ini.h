// package.ini: the build options of a package kept as a file in the author's
// repository. One "key = value" per line, the keys of the build command's long
// options ("title", "keep-open", "password-file", ...); blank lines and lines
// starting with ';' or '#' are ignored; an optional "[package]" section header;
// a value in double quotes keeps its blanks. The file is UTF-8.
#pragma once

#include <string>
#include <vector>

namespace packer {

struct IniSetting {
  std::string key;
  std::string value;
  int line = 0;
};

// Parses `text`; false with `error` ("FILE:LINE: ...") on a malformed line, an
// unknown section or a key given twice. Keys are not checked against a list here.
bool ParseIni(const std::string& text, const std::string& file_name, std::vector<IniSetting>* settings,
              std::string* error);

}  // namespace packer
