// pellmor-pack build: a source folder, texts and options to one package file.
// Every check runs before anything is written; the package is written under a
// temporary name beside the output, tested with the installer's own reading
// code, and only then renamed, so a failed build never leaves half a package.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "packer/exit_codes.h"

namespace packer {

// libdeflate's strongest lazy-matching level. Measured on 100 MB from /usr: a
// package 2% smaller than zip -9 in half its processor time; levels 10 to 12
// (cheapest parse) shave another 1.5% for twice the time of zip -9.
constexpr int kDefaultLevel = 9;

struct BuildOptions {
  std::string source;  // the folder whose files are packed
  std::string output;  // the package file
  std::optional<std::string> title;  // UTF-8 texts as given
  std::optional<std::string> inf;
  std::optional<std::string> info;
  std::optional<std::string> welcome_file;  // UTF-8 text files
  std::optional<std::string> licence_file;
  std::optional<std::string> extra_file;  // raw bytes
  std::optional<std::string> password;
  std::optional<std::string> password_file;
  std::optional<std::string> stub;
  std::string stub_arch = "win32";
  std::string codepage = "1252";
  std::vector<std::string> exclude;  // patterns of names left out (source_tree.h)
  bool keep_open = false;
  bool needs_admin = false;
  int level = kDefaultLevel;
  bool verify = true;  // test the written package before it takes the output's name
};

// The keys of package.ini and of the build command's long options, in the
// order the help text lists them.
const std::vector<std::string>& BuildOptionKeys();

// Sets one option from its text. Relative paths are taken relative to
// `base_dir` (the folder of package.ini; "" for the command line). False with
// `error` for an unknown key or a malformed value.
bool SetBuildOption(BuildOptions* options, const std::string& key, const std::string& value,
                    const std::string& base_dir, std::string* error);

// Loads package.ini into `options` (its paths relative to its own folder).
Failure LoadBuildConfig(const std::string& ini_path, BuildOptions* options);

struct BuildContext {
  std::string exe_dir;         // folder of the running pellmor-pack, for the default stub
  std::string built_from;      // source tree pellmor-pack was built from, for the default stub
  std::string stub_dir_env;    // $PELLMOR_STUB_DIR
  std::optional<std::int64_t> source_date_epoch;  // every entry's time, when set
  bool show_progress = false;
  unsigned threads = 0;        // compression threads; 0: one per processor
  std::function<void(const std::string&)> warn;  // one warning line
};

// Parses SOURCE_DATE_EPOCH; false for anything but a decimal count of seconds.
bool ParseSourceDateEpoch(const std::string& text, std::int64_t* seconds);

Failure Build(const BuildOptions& options, const BuildContext& context);

}  // namespace packer
