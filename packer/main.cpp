// pellmor-pack: builds Pellmor setup packages and lists, tests and extracts
// them with the installer's own reading code.
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <string>
#include <vector>

#include "packer/cli.h"
#include "packer/progress.h"

#ifndef PELLMOR_VERSION
#define PELLMOR_VERSION "unknown"
#endif
#ifndef PELLMOR_SOURCE_DIR
#define PELLMOR_SOURCE_DIR ""
#endif

namespace {

std::string ExecutableDir() {
  char path[PATH_MAX];
  ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
  if (n <= 0) return "";
  std::string exe(path, static_cast<std::size_t>(n));
  std::size_t slash = exe.rfind('/');
  return slash == std::string::npos ? "" : exe.substr(0, slash);
}

std::string Env(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

}  // namespace

int main(int argc, char** argv) {
  packer::CliEnvironment env;
  env.version = PELLMOR_VERSION;
  env.exe_dir = ExecutableDir();
  env.built_from = PELLMOR_SOURCE_DIR;
  env.stub_dir = Env("PELLMOR_STUB_DIR");
  env.has_source_date_epoch = std::getenv("SOURCE_DATE_EPOCH") != nullptr;
  env.source_date_epoch = Env("SOURCE_DATE_EPOCH");
  env.stderr_is_terminal = packer::Progress::StderrIsTerminal();
  std::vector<std::string> args(argv + 1, argv + argc);
  return packer::RunCli(args, env);
}
