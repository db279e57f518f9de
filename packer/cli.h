// The pellmor-pack commands: argument parsing, help texts and output. Each
// returns the process exit status (exit_codes.h); messages go to stderr, the
// listing and summaries to stdout.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

namespace packer {

struct CliEnvironment {
  std::string version;     // for --version
  std::string exe_dir;     // folder of the running pellmor-pack
  std::string built_from;  // source tree it was built from ("" when unknown)
  std::string stub_dir;    // $PELLMOR_STUB_DIR
  std::string source_date_epoch;  // $SOURCE_DATE_EPOCH ("" when unset)
  bool has_source_date_epoch = false;
  bool stderr_is_terminal = false;
  std::FILE* out = stdout;
  std::FILE* err = stderr;
};

int RunCli(const std::vector<std::string>& args, const CliEnvironment& env);

// The pieces RunCli dispatches to; `args` start after the command word.
int RunBuild(const std::vector<std::string>& args, const CliEnvironment& env);
int RunList(const std::vector<std::string>& args, const CliEnvironment& env);
int RunTest(const std::vector<std::string>& args, const CliEnvironment& env);
int RunExtract(const std::vector<std::string>& args, const CliEnvironment& env);

// Splits command-line words into options and operands. An option is "--name",
// "--name=value" or a short "-x"; `takes_value` lists the names (long without
// the dashes, short with one) that consume a value, from "=value" or from the
// next word. "--" ends the options.
struct ParsedArgs {
  struct Option {
    std::string name;  // "title", "o", ...
    std::string value;
    bool has_value = false;
  };
  std::vector<Option> options;
  std::vector<std::string> operands;
  std::string error;  // set when a value is missing
};
ParsedArgs ParseArgs(const std::vector<std::string>& args, const std::vector<std::string>& takes_value);

}  // namespace packer
