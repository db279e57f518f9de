#include "support/test_env.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

#include "archive/path_utils.h"
#include "decode/crc32.h"
#include "platform/memory.h"
#include "ui/messages.h"

namespace testenv {

using startup::g_Setup;

void ResetSetupState() { startup::ReleaseSetupState(); }

void BuildCrc() {
  if (!g_Setup.CrcTable) g_Setup.CrcTable = static_cast<u32*>(platform::Alloc(256 * sizeof(u32)));
  decode::BuildCrcTable();
}

std::string ReadHostFile(const std::string& host_path) {
  std::ifstream in(host_path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

void WriteHostFile(const std::string& host_path, const std::string& bytes) {
  std::ofstream out(host_path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

void WriteHostFile(const std::string& host_path, const std::vector<unsigned char>& bytes) {
  WriteHostFile(host_path, std::string(bytes.begin(), bytes.end()));
}

bool HostExists(const std::string& host_path) {
  struct stat info;
  return stat(host_path.c_str(), &info) == 0;
}

namespace {

void Walk(const std::string& base, const std::string& relative, std::vector<std::string>* out) {
  DIR* dir = opendir((base + "/" + relative).c_str());
  if (!dir) return;
  while (dirent* entry = readdir(dir)) {
    std::string name = entry->d_name;
    if (name == "." || name == "..") continue;
    std::string rel = relative.empty() ? name : relative + "/" + name;
    struct stat info;
    lstat((base + "/" + rel).c_str(), &info);
    if (S_ISDIR(info.st_mode)) {
      out->push_back(rel + "/");
      Walk(base, rel, out);
    } else {
      out->push_back(rel);
    }
  }
  closedir(dir);
}

void RemoveTree(const std::string& path) {
  struct stat info;
  if (lstat(path.c_str(), &info) != 0) return;
  if (S_ISDIR(info.st_mode)) {
    chmod(path.c_str(), 0755);
    if (DIR* dir = opendir(path.c_str())) {
      while (dirent* entry = readdir(dir)) {
        std::string name = entry->d_name;
        if (name != "." && name != "..") RemoveTree(path + "/" + name);
      }
      closedir(dir);
    }
    rmdir(path.c_str());
  } else {
    unlink(path.c_str());
  }
}

}  // namespace

std::vector<std::string> ListTree(const std::string& host_dir) {
  std::vector<std::string> out;
  Walk(host_dir, "", &out);
  std::sort(out.begin(), out.end());
  return out;
}

void Env::SetUp() {
  char pattern[] = "/tmp/pellmor-test-XXXXXX";
  root_ = mkdtemp(pattern);
  standin::Reset();
  standin::SetDriveRoot('C', root_);
  mkdir((root_ + "/TEMP").c_str(), 0755);
  mkdir((root_ + "/WINDOWS").c_str(), 0755);
  mkdir((root_ + "/WINDOWS/system32").c_str(), 0755);
  ResetSetupState();
  BuildCrc();
}

void Env::TearDown() {
  ResetSetupState();
  standin::Reset();
  RemoveTree(root_);
}

}  // namespace testenv
