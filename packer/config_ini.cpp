#include "packer/config_ini.h"

#include <set>

namespace packer {
namespace {

std::string Trim(const std::string& s) {
  std::size_t begin = s.find_first_not_of(" \t\r");
  if (begin == std::string::npos) return "";
  std::size_t end = s.find_last_not_of(" \t\r");
  return s.substr(begin, end - begin + 1);
}

}  // namespace

bool ParseIni(const std::string& text, const std::string& file_name, std::vector<IniSetting>* settings,
              std::string* error) {
  std::set<std::string> seen;
  std::size_t pos = 0;
  int line_number = 0;
  if (text.compare(0, 3, "\xEF\xBB\xBF") == 0) pos = 3;
  while (pos < text.size()) {
    std::size_t end = text.find('\n', pos);
    if (end == std::string::npos) end = text.size();
    std::string line = Trim(text.substr(pos, end - pos));
    pos = end + 1;
    ++line_number;
    auto fail = [&](const std::string& what) {
      *error = file_name + ":" + std::to_string(line_number) + ": " + what;
      return false;
    };
    if (line.empty() || line[0] == ';' || line[0] == '#') continue;
    if (line[0] == '[') {
      if (line != "[package]") return fail("unknown section " + line + " (only [package] is read)");
      continue;
    }
    std::size_t equals = line.find('=');
    if (equals == std::string::npos) return fail("expected \"key = value\"");
    std::string key = Trim(line.substr(0, equals));
    std::string value = Trim(line.substr(equals + 1));
    if (key.empty()) return fail("a value without a key");
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"') value = value.substr(1, value.size() - 2);
    if (!seen.insert(key).second) return fail("\"" + key + "\" is given twice");
    settings->push_back({key, value, line_number});
  }
  return true;
}

}  // namespace packer
