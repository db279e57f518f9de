// Builds the packages of the end-to-end tests and of the demo with the package
// writer: a stub image, the header fields and texts, and archive entries taken
// from host files or given inline. Entry options apply to the entries named after
// them; --bad-crc applies to the next entry only.
//
// Usage: make_e2e_package --stub STUB.exe --out PACKAGE.exe [field...] [entry...]
//   fields:  --title T  --inf T  --info T  --keep-open N  --needs-admin N
//            --welcome T | --welcome-file F   --licence T | --licence-file F
//            (texts from files get CR LF line ends, as the dialogs need)
//   entry options: --level N (0 stores, 1..12 deflates; 6 by default)
//            --password PW (empty: none)  --bad-crc (next entry: wrong CRC)
//   entries: --file NAME=HOSTPATH  --text NAME=CONTENT  --dir NAME/
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "packer/package_writer.h"

namespace {

bool ReadFile(const std::string& path, std::string* out) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::ostringstream text;
  text << in.rdbuf();
  *out = text.str();
  return true;
}

// Lone LF becomes CR LF: static and edit controls break lines only at CR LF.
std::string WithCrLf(const std::string& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) out += '\r';
    out += text[i];
  }
  return out;
}

[[noreturn]] void Die(const std::string& message) {
  std::cerr << "make_e2e_package: " << message << "\n";
  std::exit(2);
}

// Splits NAME=VALUE.
void Split(const std::string& arg, std::string* name, std::string* value) {
  std::size_t eq = arg.find('=');
  if (eq == std::string::npos || eq == 0) Die("expected NAME=VALUE, got " + arg);
  *name = arg.substr(0, eq);
  *value = arg.substr(eq + 1);
}

}  // namespace

int main(int argc, char** argv) {
  std::string stub_path, out_path;
  packer::PackageFields fields;
  std::vector<packer::ArchiveEntry> entries;
  int level = 6;
  std::string password;
  bool bad_crc = false;

  for (int i = 1; i < argc; ++i) {
    std::string option = argv[i];
    if (i + 1 >= argc && option != "--bad-crc") Die("missing value after " + option);
    auto value = [&] { return std::string(argv[++i]); };
    auto add = [&](const std::string& name, const std::string& data) {
      packer::ArchiveEntry e;
      e.name = name;
      e.data.assign(data.begin(), data.end());
      e.level = level;
      e.password = password;
      if (bad_crc) e.crc = packer::Crc32(e.data) ^ 0x5A5A5A5Au;
      bad_crc = false;
      entries.push_back(e);
    };
    std::string name, content;
    if (option == "--stub") stub_path = value();
    else if (option == "--out") out_path = value();
    else if (option == "--title") fields.title = value();
    else if (option == "--inf") fields.inf = value();
    else if (option == "--info") fields.info = value();
    else if (option == "--keep-open") fields.keep_open = static_cast<std::uint8_t>(std::stoi(value()));
    else if (option == "--needs-admin") fields.needs_admin = static_cast<std::uint8_t>(std::stoi(value()));
    else if (option == "--welcome") fields.welcome = value();
    else if (option == "--licence") fields.licence = value();
    else if (option == "--welcome-file" || option == "--licence-file") {
      std::string path = value(), text;
      if (!ReadFile(path, &text)) Die("cannot read " + path);
      (option == "--welcome-file" ? fields.welcome : fields.licence) = WithCrLf(text);
    } else if (option == "--level") level = std::stoi(value());
    else if (option == "--password") password = value();
    else if (option == "--bad-crc") bad_crc = true;
    else if (option == "--file") {
      Split(value(), &name, &content);
      std::string data;
      if (!ReadFile(content, &data)) Die("cannot read " + content);
      add(name, data);
    } else if (option == "--text") {
      Split(value(), &name, &content);
      add(name, content);
    } else if (option == "--dir") {
      packer::ArchiveEntry e;
      e.name = value();
      entries.push_back(e);
    } else {
      Die("unknown option " + option);
    }
  }
  if (stub_path.empty() || out_path.empty()) Die("--stub and --out are required");

  std::string stub_bytes;
  if (!ReadFile(stub_path, &stub_bytes)) Die("cannot read the stub " + stub_path);
  packer::Bytes stub(stub_bytes.begin(), stub_bytes.end()), package;
  std::string error;
  if (!packer::BuildPackage(stub, fields, packer::BuildArchive(entries), &package, &error)) Die(error);
  std::ofstream out(out_path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(package.data()), static_cast<std::streamsize>(package.size()));
  if (!out) Die("cannot write " + out_path);
  std::cout << out_path << ": " << package.size() << " bytes, " << entries.size() << " entries\n";
  return 0;
}
