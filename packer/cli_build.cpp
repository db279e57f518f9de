// pellmor-pack build, and the argument splitting that every command shares.
#include <cstdio>

#include "packer/cli.h"
#include "packer/exit_codes.h"
#include "packer/package_build.h"

namespace packer {
namespace {

constexpr char kBuildHelp[] =
    "Usage: pellmor-pack build SOURCE_DIR -o Setup.exe [options]\n"
    "       pellmor-pack build --config package.ini [options]\n"
    "\n"
    "Packs every file below SOURCE_DIR, in byte order of their names, into a package:\n"
    "the installer stub, the package header with its texts, and a ZIP archive.\n"
    "\n"
    "  -o, --output FILE     the package to write (written under a temporary name,\n"
    "                        tested with the installer's own reading code, then renamed)\n"
    "  --config FILE         read these options from FILE (package.ini: \"key = value\"\n"
    "                        lines, keys as below without the dashes, paths relative\n"
    "                        to FILE's folder); options on the command line win\n"
    "  --title TEXT          the window caption (at most 255 bytes)\n"
    "  --inf FIELD           the INF field (at most 255 bytes); default \"><\" and the one\n"
    "                        .inf file at the top of SOURCE_DIR; it must name a packed file\n"
    "  --welcome FILE        welcome text (UTF-8 file)\n"
    "  --licence FILE        licence agreement the user must accept (UTF-8 file)\n"
    "  --info TEXT           information line behind the Info button (at most 255 bytes)\n"
    "  --keep-open           keep the window open after setup\n"
    "  --needs-admin         only an administrator may run the setup; the default stub\n"
    "                        becomes the variant that asks Windows for elevation\n"
    "  --password TEXT       encrypt every file (ZipCrypto: weak, see the manual)\n"
    "  --password-file FILE  the password from the first line of FILE\n"
    "  --level N             0 stores, 1 to 12 deflate (default 9)\n"
    "  --stub FILE           the installer stub (at most 34304 bytes)\n"
    "  --stub-arch ARCH      win32 (default) or win64, the twin the Wine tests run\n"
    "  --extra FILE          extra data stored between the texts and the archive\n"
    "  --codepage CP         code page of texts and names (default 1252)\n"
    "  --exclude PATTERN     leave out files and folders whose name matches (\"*.bak\",\n"
    "                        \".git\"), or whose path does when PATTERN holds a '/';\n"
    "                        repeatable; in package.ini several patterns on one line\n"
    "  --no-verify           skip the test of the written package\n"
    "\n"
    "Texts are UTF-8; they are stored in the code page with CR LF line ends.\n"
    "Without a password the same inputs give the same package byte for byte; entry\n"
    "times come from the files, or all from SOURCE_DATE_EPOCH when it is set.\n"
    "Exit status: 0 written, 2 usage, 3 input refused, 4 read or write error,\n"
    "1 the package failed its test (not written).\n";

}  // namespace

ParsedArgs ParseArgs(const std::vector<std::string>& args, const std::vector<std::string>& takes_value) {
  ParsedArgs parsed;
  auto wants = [&](const std::string& name) {
    for (const std::string& v : takes_value)
      if (v == name) return true;
    return false;
  };
  bool options_done = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& word = args[i];
    if (options_done || word.size() < 2 || word[0] != '-') {
      parsed.operands.push_back(word);
      continue;
    }
    if (word == "--") {
      options_done = true;
      continue;
    }
    ParsedArgs::Option option;
    if (word[1] == '-') {
      std::size_t equals = word.find('=');
      option.name = word.substr(2, equals == std::string::npos ? std::string::npos : equals - 2);
      if (equals != std::string::npos) {
        option.value = word.substr(equals + 1);
        option.has_value = true;
      }
    } else {
      option.name = word.substr(1, 1);
      if (word.size() > 2) {
        option.value = word.substr(2);
        option.has_value = true;
      }
    }
    if (!option.has_value && wants(option.name)) {
      if (i + 1 >= args.size()) {
        parsed.error = word + " needs a value";
        return parsed;
      }
      option.value = args[++i];
      option.has_value = true;
    }
    parsed.options.push_back(option);
  }
  return parsed;
}

int RunBuild(const std::vector<std::string>& args, const CliEnvironment& env) {
  auto usage = [&](const std::string& message) {
    std::fprintf(env.err, "pellmor-pack build: %s\n(see pellmor-pack build --help)\n", message.c_str());
    return kExitUsage;
  };
  std::vector<std::string> valued = {"o", "output", "config"};
  for (const std::string& key : BuildOptionKeys())
    if (key != "keep-open" && key != "needs-admin" && key != "verify") valued.push_back(key);
  valued.push_back("license");
  ParsedArgs parsed = ParseArgs(args, valued);
  if (!parsed.error.empty()) return usage(parsed.error);

  BuildOptions options;
  for (const auto& option : parsed.options) {
    if (option.name == "h" || option.name == "help") {
      std::fputs(kBuildHelp, env.out);
      return kExitOk;
    }
  }
  for (const auto& option : parsed.options) {
    if (option.name != "config") continue;
    Failure f = LoadBuildConfig(option.value, &options);
    if (f.code) {
      std::fprintf(env.err, "pellmor-pack build: %s\n", f.message.c_str());
      return f.code;
    }
  }
  if (parsed.operands.size() > 1) return usage("more than one SOURCE_DIR");
  if (parsed.operands.size() == 1) options.source = parsed.operands[0];
  for (const auto& option : parsed.options) {
    std::string error;
    std::string name = option.name == "o" ? "output" : option.name == "no-verify" ? "verify" : option.name;
    std::string value = option.value;
    if (option.name == "config") continue;
    if (option.name == "no-verify") {
      if (option.has_value) return usage("--no-verify takes no value");
      value = "no";
    }
    if (!SetBuildOption(&options, name, value, "", &error)) return usage(error);
  }

  BuildContext context;
  context.exe_dir = env.exe_dir;
  context.built_from = env.built_from;
  context.stub_dir_env = env.stub_dir;
  context.show_progress = env.stderr_is_terminal;
  if (env.has_source_date_epoch) {
    std::int64_t seconds;
    if (!ParseSourceDateEpoch(env.source_date_epoch, &seconds))
      return usage("SOURCE_DATE_EPOCH=\"" + env.source_date_epoch + "\" is not a count of seconds");
    context.source_date_epoch = seconds;
  }
  std::FILE* err = env.err;
  context.warn = [err](const std::string& line) { std::fprintf(err, "pellmor-pack build: warning: %s\n", line.c_str()); };
  Failure f = Build(options, context);
  if (f.code) {
    std::fprintf(env.err, "pellmor-pack build: %s\n", f.message.c_str());
    return f.code;
  }
  return kExitOk;
}

}  // namespace packer
