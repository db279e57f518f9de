#include "fuzz/fuzz_support.h"

#include <stdlib.h>

#include <cstring>
#include <fstream>
#include <map>
#include <sstream>

#include "decode/crc32.h"
#include "platform/memory.h"
#include "platform/posix/standin.h"
#include "startup/setup_state.h"

namespace fuzzsupport {

using startup::g_Setup;

const std::string& ScratchRoot(const char* tag) {
  static std::map<std::string, std::string> roots;
  std::string& root = roots[tag];
  if (root.empty()) {
    std::string pattern = std::string("/tmp/pellmor-fuzz-") + tag + "-XXXXXX";
    root = mkdtemp(&pattern[0]);
  }
  return root;
}

void ResetRun(const char* tag) {
  standin::Reset();
  standin::SetDriveRoot('C', ScratchRoot(tag));
  platform::Free(g_Setup.CrcTable);
  std::memset(static_cast<void*>(&g_Setup), 0, sizeof g_Setup);
  g_Setup.CrcTable = static_cast<std::uint32_t*>(platform::Alloc(decode::kCrcTableEntries * sizeof(std::uint32_t)));
  decode::BuildCrcTable();
}

void EndRun() {
  platform::Free(g_Setup.CrcTable);
  std::memset(static_cast<void*>(&g_Setup), 0, sizeof g_Setup);
}

void WriteDriveFile(const char* tag, const char* name, const std::uint8_t* data, std::size_t size,
                    std::size_t prefix) {
  std::ofstream out(ScratchRoot(tag) + "/" + name, std::ios::binary | std::ios::trunc);
  std::string zeros(prefix, '\0');
  out.write(zeros.data(), static_cast<std::streamsize>(zeros.size()));
  out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
}

std::string ReadDriveFile(const char* tag, const char* name) {
  std::ifstream in(ScratchRoot(tag) + "/" + name, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

}  // namespace fuzzsupport
