#include "packer/stub_locate.h"

#include <sys/stat.h>

namespace packer {

std::string StubFileName(bool needs_admin) { return needs_admin ? "pellmor-stub-admin.exe" : "pellmor-stub.exe"; }

std::vector<std::string> StubCandidates(const std::string& arch, bool needs_admin, const std::string& env_dir,
                                        const std::string& exe_dir, const std::string& source_dir) {
  std::string name = StubFileName(needs_admin);
  std::vector<std::string> out;
  auto add_dir = [&](const std::string& dir) {
    if (dir.empty()) return;
    out.push_back(dir + "/" + arch + "/" + name);
    if (arch == "win32") out.push_back(dir + "/" + name);
  };
  add_dir(env_dir);
  add_dir(exe_dir);
  if (!exe_dir.empty()) out.push_back(exe_dir + "/../share/pellmor/" + arch + "/" + name);
  if (!source_dir.empty()) out.push_back(source_dir + "/build/" + arch + "/" + name);
  return out;
}

std::string FindStub(const std::vector<std::string>& candidates) {
  for (const std::string& path : candidates) {
    struct stat info;
    if (stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode)) return path;
  }
  return "";
}

}  // namespace packer
