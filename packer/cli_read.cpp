// pellmor-pack list, test and extract, and the command dispatch.
#include <cinttypes>
#include <cstdio>
#include <fstream>
#include <sstream>

#include "packer/cli.h"
#include "packer/codepage.h"
#include "packer/dos_time.h"
#include "packer/exit_codes.h"
#include "packer/package_reader.h"

namespace packer {
namespace {

constexpr char kMainHelp[] =
    "Usage: pellmor-pack COMMAND [arguments]\n"
    "\n"
    "Builds and checks Pellmor setup packages: one Windows executable holding the\n"
    "installer stub, a header with the package's texts, and a ZIP archive.\n"
    "\n"
    "Commands:\n"
    "  build SOURCE_DIR -o Setup.exe [options]   make a package (build --help)\n"
    "  build --config package.ini                the same, options from a file\n"
    "  list Setup.exe                            header, texts and entries\n"
    "  test Setup.exe [--password TEXT]          decode every entry as the installer does\n"
    "  extract Setup.exe -d DIR [--password TEXT]   write the entries below DIR\n"
    "\n"
    "  pellmor-pack COMMAND --help    help on one command\n"
    "  pellmor-pack --version         the version\n"
    "\n"
    "Exit status: 0 done (test: sound), 1 the package is damaged or fails a check,\n"
    "2 usage, 3 build input refused, 4 read or write error, 5 password missing or wrong.\n";

constexpr char kListHelp[] =
    "Usage: pellmor-pack list Setup.exe [--codepage CP]\n"
    "\n"
    "Shows the package header (flags, title, INF field), its texts unscrambled, the\n"
    "integrity check's verdict, and every entry the installer's walk over the local\n"
    "headers finds: method, packed and full size, CRC-32, encryption, MS-DOS time,\n"
    "name. Texts and names are shown in UTF-8 from the code page (default 1252).\n"
    "Exit status: 0 listed, 1 not a package or damaged, 2 usage, 4 cannot read.\n";

constexpr char kTestHelp[] =
    "Usage: pellmor-pack test Setup.exe [--password TEXT | --password-file FILE]\n"
    "                         [--codepage CP] [-v] [-q]\n"
    "\n"
    "Runs the installer's own checks: the integrity check of the file's end, the walk\n"
    "over the local headers with its name rules, the password check, and decodes\n"
    "every entry with the installer's decoders, comparing each CRC-32. Also checks\n"
    "that the INF field names a packed file.\n"
    "  -v   name every entry as it passes      -q   no summary line\n"
    "Exit status: 0 sound, 1 damaged or refused by the installer, 2 usage, 4 cannot\n"
    "read, 5 encrypted entries and no password, or a wrong one.\n";

constexpr char kExtractHelp[] =
    "Usage: pellmor-pack extract Setup.exe -d DIR [--password TEXT | --password-file FILE]\n"
    "                            [--codepage CP] [-v]\n"
    "\n"
    "Writes the package's entries below DIR (created when missing) as the installer\n"
    "does: the same walk, the same name rules (no absolute paths, no \"..\", no drive,\n"
    "no device names), the same decoders and CRC-32 check; each file gets its entry's\n"
    "time. Existing files are replaced; a path through a symbolic link below DIR is\n"
    "refused; a file that fails its check is removed again. Names are turned from\n"
    "the code page (default 1252) into UTF-8.\n"
    "  -v   name every file as it is written\n"
    "Exit status: 0 done, 1 damaged, 2 usage, 4 cannot write, 5 password missing or wrong.\n";

struct ReadArgs {
  std::string package;
  std::string dir;
  std::string password;  // code-page bytes
  CodePage page;
  bool verbose = false;
  bool quiet = false;
};

// Parses the shared arguments of list, test and extract. Returns -1 to go on,
// else the exit status (help printed, or a usage error).
int ParseReadArgs(const std::string& command, const char* help, const std::vector<std::string>& args,
                  const CliEnvironment& env, bool allow_password, bool allow_dir, ReadArgs* out) {
  auto usage = [&](const std::string& message) {
    std::fprintf(env.err, "pellmor-pack %s: %s\n(see pellmor-pack %s --help)\n", command.c_str(), message.c_str(),
                 command.c_str());
    return kExitUsage;
  };
  ParsedArgs parsed = ParseArgs(args, {"password", "password-file", "codepage", "d"});
  if (!parsed.error.empty()) return usage(parsed.error);
  std::string codepage = "1252";
  std::string password_utf8, password_file;
  bool has_password = false;
  for (const auto& o : parsed.options) {
    if (o.name == "h" || o.name == "help") {
      std::fputs(help, env.out);
      return kExitOk;
    }
  }
  for (const auto& o : parsed.options) {
    if (o.name == "codepage") {
      codepage = o.value;
    } else if (allow_password && o.name == "password") {
      if (has_password) return usage("give one --password or --password-file");
      password_utf8 = o.value;
      has_password = true;
    } else if (allow_password && o.name == "password-file") {
      if (has_password) return usage("give one --password or --password-file");
      std::ifstream in(o.value, std::ios::binary);
      if (!in) {
        std::fprintf(env.err, "pellmor-pack %s: cannot read %s\n", command.c_str(), o.value.c_str());
        return kExitIo;
      }
      std::getline(in, password_utf8);
      if (!password_utf8.empty() && password_utf8.back() == '\r') password_utf8.pop_back();
      has_password = true;
    } else if (allow_dir && o.name == "d") {
      out->dir = o.value;
    } else if (o.name == "v" || o.name == "verbose") {
      out->verbose = true;
    } else if (o.name == "q" || o.name == "quiet") {
      out->quiet = true;
    } else {
      return usage("unknown option " + std::string(o.name.size() == 1 ? "-" : "--") + o.name);
    }
  }
  if (parsed.operands.size() != 1) return usage("give exactly one package file");
  out->package = parsed.operands[0];
  if (allow_dir && out->dir.empty()) return usage("give the target folder with -d DIR");
  std::string error;
  if (!CodePage::Open(codepage, &out->page, &error)) return usage(error);
  if (has_password) {
    if (password_utf8.empty()) return usage("the password is empty");
    if (!ToCodePage(password_utf8, out->page, TextKind::Line, "the password", &out->password, &error))
      return usage(error);
  }
  return -1;
}

// Code-page text for the terminal: UTF-8, CR LF as LF, every line indented.
std::string ShowText(const CodePage& page, const std::string& bytes, const char* indent) {
  std::string text = page.ToUtf8(bytes);
  std::string out;
  bool line_start = true;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    if (line_start && text[i] != '\n') out += indent;  // blank lines stay blank
    out.push_back(text[i]);
    line_start = text[i] == '\n';
  }
  if (out.empty() || out.back() != '\n') out.push_back('\n');
  return out;
}

const char* MethodName(std::uint16_t method) {
  return method == 0 ? "stored" : method == 8 ? "deflated" : nullptr;
}

void ReportProblems(const std::string& command, const ReadArgs& a, const ReadResult& r, const CliEnvironment& env) {
  for (const std::string& line : r.problems)
    std::fprintf(env.err, "pellmor-pack %s: %s: %s\n", command.c_str(), a.package.c_str(), line.c_str());
}

int Summary(const ReadResult& r) { return r.problems.empty() ? kExitOk : r.status; }

}  // namespace

int RunList(const std::vector<std::string>& args, const CliEnvironment& env) {
  ReadArgs a;
  int status = ParseReadArgs("list", kListHelp, args, env, false, false, &a);
  if (status >= 0) return status;
  ReadRequest request;
  request.mode = ReadMode::List;
  request.package_path = a.package;
  request.page = a.page;
  ReadResult r;
  if (!ReadPackage(request, &r)) {
    ReportProblems("list", a, r, env);
    return r.status;
  }
  const HeaderView& h = r.header;
  std::FILE* out = env.out;
  std::fprintf(out, "Package       %s, %" PRIu64 " bytes\n", a.package.c_str(), h.file_size);
  if (!h.has_header) {
    ReportProblems("list", a, r, env);
    return Summary(r);
  }
  std::fprintf(out, "Title         %s\n", h.title.empty() ? "(none)" : a.page.ToUtf8(h.title).c_str());
  std::fprintf(out, "INF field     %s\n", h.inf.empty() ? "(none)" : a.page.ToUtf8(h.inf).c_str());
  std::fprintf(out, "Keep open     %s\n", h.keep_open ? "yes" : "no");
  std::fprintf(out, "Needs admin   %s\n", h.needs_admin ? "yes" : "no");
  std::fprintf(out, "Extra data    %d bytes\n", static_cast<int>(h.extra_len));
  std::fprintf(out, "Archive at    offset %" PRId64 "\n", h.archive_base);
  std::fprintf(out, "Integrity     %s\n", h.size_check_passed ? "passed" : "FAILED");
  if (h.texts_read) {
    if (h.info.empty()) std::fprintf(out, "Info line     (none)\n");
    else std::fprintf(out, "Info line     (%zu bytes)\n%s", h.info.size(), ShowText(a.page, h.info, "    ").c_str());
    if (h.welcome.empty()) std::fprintf(out, "Welcome text  (the installer's default)\n");
    else
      std::fprintf(out, "Welcome text  (%zu bytes)\n%s", h.welcome.size(), ShowText(a.page, h.welcome, "    ").c_str());
    if (h.licence.empty()) std::fprintf(out, "Licence       (none)\n");
    else
      std::fprintf(out, "Licence       (%zu bytes)\n%s", h.licence.size(), ShowText(a.page, h.licence, "    ").c_str());
  }
  if (!r.entries.empty() || h.texts_read) {
    std::fprintf(out, "\n%-9s %10s %10s  %-8s  %-3s  %-19s  %s\n", "Method", "Packed", "Size", "CRC-32", "Enc",
                 "Modified", "Name");
    std::uint64_t packed = 0, size = 0;
    for (const EntryResult& e : r.entries) {
      const EntryView& v = e.entry;
      char method[16];
      const char* name = MethodName(v.method);
      std::snprintf(method, sizeof method, "%s", name ? name : ("method " + std::to_string(v.method)).c_str());
      std::fprintf(out, "%-9s %10u %10u  %08x  %-3s  %-19s  %s%s\n", method, v.compressed, v.uncompressed, v.crc,
                   v.encrypted() ? "yes" : "no", FormatDosTime({v.dos_time, v.dos_date}).c_str(),
                   a.page.ToUtf8(v.name).c_str(), v.descriptor() ? "  (data descriptor)" : "");
      packed += v.compressed;
      size += v.uncompressed;
    }
    std::fprintf(out, "%zu %s, %" PRIu64 " bytes, %" PRIu64 " packed\n", r.entries.size(),
                 r.entries.size() == 1 ? "entry" : "entries", size, packed);
  }
  ReportProblems("list", a, r, env);
  return Summary(r);
}

// The request of the commands that decode every entry (test, extract): password,
// progress on a terminal, and with --verbose one line per sound entry.
static ReadRequest DecodingRequest(ReadMode mode, const ReadArgs& a, const CliEnvironment& env, const char* prefix) {
  ReadRequest request;
  request.mode = mode;
  request.package_path = a.package;
  request.password = a.password;
  request.page = a.page;
  request.show_progress = env.stderr_is_terminal;
  if (a.verbose)
    request.on_entry = [&a, &env, prefix](const EntryResult& e) {
      if (e.status == EntryStatus::Ok) std::fprintf(env.out, "%s%s\n", prefix, a.page.ToUtf8(e.entry.name).c_str());
    };
  return request;
}

int RunTest(const std::vector<std::string>& args, const CliEnvironment& env) {
  ReadArgs a;
  int status = ParseReadArgs("test", kTestHelp, args, env, true, false, &a);
  if (status >= 0) return status;
  ReadRequest request = DecodingRequest(ReadMode::Test, a, env, "  OK  ");
  ReadResult r;
  ReadPackage(request, &r);
  ReportProblems("test", a, r, env);
  if (!a.quiet) {
    std::uint64_t size = 0;
    for (const EntryResult& e : r.entries) size += e.entry.uncompressed;
    if (r.problems.empty())
      std::fprintf(env.out, "%s: sound: %zu entries, %" PRIu64 " bytes, integrity check passed\n", a.package.c_str(),
                   r.entries.size(), size);
    else
      std::fprintf(env.out, "%s: %zu problem%s found\n", a.package.c_str(), r.problems.size(),
                   r.problems.size() == 1 ? "" : "s");
  }
  return Summary(r);
}

int RunExtract(const std::vector<std::string>& args, const CliEnvironment& env) {
  ReadArgs a;
  int status = ParseReadArgs("extract", kExtractHelp, args, env, true, true, &a);
  if (status >= 0) return status;
  ReadRequest request = DecodingRequest(ReadMode::Extract, a, env, "  ");
  request.extract_dir = a.dir;
  ReadResult r;
  ReadPackage(request, &r);
  ReportProblems("extract", a, r, env);
  return Summary(r);
}

int RunCli(const std::vector<std::string>& args, const CliEnvironment& env) {
  if (args.empty()) {
    std::fputs(kMainHelp, env.err);
    return kExitUsage;
  }
  const std::string& command = args[0];
  std::vector<std::string> rest(args.begin() + 1, args.end());
  if (command == "--help" || command == "-h" || command == "help") {
    std::fputs(kMainHelp, env.out);
    return kExitOk;
  }
  if (command == "--version" || command == "-V") {
    std::fprintf(env.out, "pellmor-pack %s\n", env.version.c_str());
    return kExitOk;
  }
  if (command == "build") return RunBuild(rest, env);
  if (command == "list") return RunList(rest, env);
  if (command == "test") return RunTest(rest, env);
  if (command == "extract") return RunExtract(rest, env);
  std::fprintf(env.err, "pellmor-pack: unknown command \"%s\"\n(see pellmor-pack --help)\n", command.c_str());
  return kExitUsage;
}

}  // namespace packer
