#include "packer/entry_rules.h"

#include <map>
#include <set>

#include "archive/entry_name.h"

namespace packer {
namespace {

char AsciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

std::string UpperAscii(std::string s) {
  for (char& c : s)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return s;
}

// Stored name compared as Windows does: case and separators ignored.
std::string InfKey(const std::string& stored) {
  std::string out;
  for (char c : stored) out.push_back(c == '\\' ? '/' : AsciiLower(c));
  return out;
}

bool EndsWithInf(const std::string& name) {
  return name.size() > 4 && InfKey(name.substr(name.size() - 4)) == ".inf";
}

}  // namespace

std::string UnsafeNameReason(const std::string& stored) {
  if (archive::IsSafeEntryName(stored.c_str())) return "";
  if (stored.empty()) return "it is empty";
  if (stored[0] == '/' || stored[0] == '\\') return "it starts with a separator";
  if (stored.find(':') != std::string::npos) return "it holds a ':' (a drive or a stream)";
  for (unsigned char c : stored)
    if (c < 0x20 || std::string("<>\"|?*").find(static_cast<char>(c)) != std::string::npos)
      return "it holds a character Windows forbids in names";
  std::size_t start = 0;
  while (start <= stored.size()) {
    std::size_t end = stored.find_first_of("/\\", start);
    if (end == std::string::npos) end = stored.size();
    std::string part = stored.substr(start, end - start);
    if (part == "." || part == "..") return "it has a \"" + part + "\" component";
    if (!part.empty() && (part.back() == '.' || part.back() == ' '))
      return "a component ends with a dot or a blank";
    std::string base = UpperAscii(part.substr(0, part.find('.')));
    while (!base.empty() && base.back() == ' ') base.pop_back();
    static const std::set<std::string> kDevices = {"CON", "PRN", "AUX", "NUL"};
    bool numbered = base.size() == 4 && (base.compare(0, 3, "COM") == 0 || base.compare(0, 3, "LPT") == 0) &&
                    base[3] >= '1' && base[3] <= '9';
    if (kDevices.count(base) || numbered) return "\"" + part + "\" is a reserved device name";
    start = end + 1;
  }
  return "the installer refuses it";
}

bool StoredEntryName(const std::string& utf8, const CodePage& page, std::string* stored, std::string* error) {
  std::string out;
  std::size_t pos = 0;
  while (pos < utf8.size()) {
    char32_t c;
    if (!DecodeUtf8(utf8, &pos, &c)) {
      *error = "the file name \"" + utf8 + "\" is not valid UTF-8";
      return false;
    }
    std::string bytes;
    if (!page.EncodeChar(c, &bytes)) {
      *error = "the file name \"" + utf8 + "\": the character '" + EncodeUtf8(c) + "' (" + CodePointName(c) +
               ") has no place in code page " + std::to_string(page.number()) +
               " (rename the file or choose another --codepage)";
      return false;
    }
    if (bytes.size() > 1 && bytes.find_first_of("\\|") != std::string::npos) {
      *error = "the file name \"" + utf8 + "\": the character '" + EncodeUtf8(c) + "' is stored in code page " +
               std::to_string(page.number()) +
               " with a '\\' or '|' byte, which the installer would take for a separator; rename the file";
      return false;
    }
    out += bytes;
  }
  std::string reason = UnsafeNameReason(out);
  if (!reason.empty()) {
    *error = "the file name \"" + utf8 + "\" would be refused by the installer (\"Invalid filename.\"): " + reason;
    return false;
  }
  if (out.size() > kLongestEntryName) {
    *error = "the file name \"" + utf8 + "\" is " + std::to_string(out.size()) + " bytes long; the installer reads at most " +
             std::to_string(kLongestEntryName);
    return false;
  }
  *stored = std::move(out);
  return true;
}

std::string FoldCase(const std::string& utf8) {
  std::string out;
  std::size_t pos = 0;
  while (pos < utf8.size()) {
    char32_t c;
    if (!DecodeUtf8(utf8, &pos, &c)) {
      out.push_back(utf8[pos++]);
      continue;
    }
    if (c >= 'A' && c <= 'Z') c += 0x20;
    else if (c >= 0xC0 && c <= 0xDE && c != 0xD7) c += 0x20;
    else if (c == 0x178) c = 0xFF;
    else if (c >= 0x100 && c <= 0x17F && c != 0x130 && c != 0x131 && c != 0x138 && c != 0x149 && c != 0x17F) {
      // Latin Extended-A pairs capitals and small letters as even/odd code points,
      // except for the stretch 0x139..0x148 and 0x179..0x17E, which pair odd/even.
      bool odd_pairs = (c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E);
      if (odd_pairs ? (c % 2 == 1) : (c % 2 == 0)) c += 1;
    }
    out += EncodeUtf8(c);
  }
  return out;
}

bool CheckNameClashes(const std::vector<std::string>& utf8_names, std::string* error) {
  std::map<std::string, std::string> seen;  // folded name -> first name (directories end in '/')
  for (const std::string& name : utf8_names) {
    // Every folder on the way is a name too: a folder "a/" and a file "A" clash.
    std::size_t slash = 0;
    while ((slash = name.find('/', slash)) != std::string::npos) {
      ++slash;
      std::string folder = name.substr(0, slash);
      std::string folded = FoldCase(folder);
      std::string as_file = folded.substr(0, folded.size() - 1);
      auto file = seen.find(as_file);
      if (file != seen.end()) {
        *error = "\"" + file->second + "\" and the folder \"" + folder +
                 "\" would be the same name on Windows, which ignores letter case";
        return false;
      }
      seen.emplace(folded, folder);  // "A/x" beside "a/y" shares one folder: nothing is lost
    }
    if (name.empty() || name.back() == '/') continue;
    std::string folded = FoldCase(name);
    auto it = seen.find(folded);
    if (it == seen.end()) it = seen.find(folded + "/");
    if (it != seen.end()) {
      *error = "\"" + it->second + "\" and \"" + name +
               "\" would be the same name on Windows, which ignores letter case; rename one";
      return false;
    }
    seen.emplace(folded, name);
  }
  return true;
}

bool CheckInfField(const std::string& field, const std::vector<std::string>& files, std::string* error) {
  std::string path = field.substr(0, field.find('|'));
  if (path.compare(0, 2, "><") != 0) {
    *error = "--inf: \"" + field +
             "\" does not name a file of the package; the INF field is \"><\" followed by the name of a packed "
             ".inf file (optionally followed by \"|\" and more text)";
    return false;
  }
  std::string name = path.substr(2);
  if (name.find("><") != std::string::npos) {
    *error = "--inf: \"" + field + "\" holds \"><\" more than once; only the leading one stands for the working "
             "directory";
    return false;
  }
  std::string key = InfKey(name);
  for (const std::string& file : files)
    if (InfKey(file) == key) return true;
  *error = "--inf: \"" + field + "\" names \"" + name + "\", which is not a file of the package";
  return false;
}

bool DefaultInfField(const std::vector<std::string>& top_level_files, std::string* field, std::string* error) {
  std::vector<std::string> found;
  for (const std::string& name : top_level_files)
    if (name.find('/') == std::string::npos && EndsWithInf(name)) found.push_back(name);
  if (found.empty()) {
    *error = "no .inf file at the top of the source folder; add one or give the INF field with --inf";
    return false;
  }
  if (found.size() > 1) {
    std::string list;
    for (const std::string& name : found) list += (list.empty() ? "" : ", ") + name;
    *error = "several .inf files at the top of the source folder (" + list + "); choose one with --inf \"><NAME\"";
    return false;
  }
  *field = "><" + found[0];
  return true;
}

}  // namespace packer
