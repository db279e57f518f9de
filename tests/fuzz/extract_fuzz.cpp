// Fuzz target: the archive walk with extraction into a scratch tree. The input is
// the archive behind the package header. Every run must end (no hang), must not
// crash, must leave nothing allocated but the lists it records, and must create
// nothing outside the working directory; each recorded path must lie inside it.
// The person types "pw" at the first password dialogs and answers the overwrite
// prompt with Yes, No and "don't ask" in turn; the disk holds 1 MiB per run.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "archive/extract.h"
#include "archive/path_utils.h"
#include "decode/crc32.h"
#include "platform/memory.h"
#include "platform/posix/standin.h"
#include "startup/package_format.h"
#include "startup/setup_state.h"

namespace {

namespace fs = std::filesystem;
using startup::g_Setup;

constexpr char kWorkDir[] = "C:\\TEMP\\$Pellmor.Tmp";
constexpr char kWorkPrefix[] = "C:\\TEMP\\$Pellmor.Tmp\\";

const std::string& ScratchRoot() {
  static std::string root;
  if (root.empty()) {
    char pattern[] = "/tmp/pellmor-fuzz-extract-XXXXXX";
    root = mkdtemp(pattern);
  }
  return root;
}

// Anything on the scratch drive but the package, C:\TEMP and the working tree.
void CheckNothingOutsideWorkDir() {
  const fs::path root = ScratchRoot();
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    std::string relative = fs::relative(entry.path(), root).generic_string();
    if (relative == "Setup.exe" || relative == "TEMP" || relative == "TEMP/$Pellmor.Tmp") continue;
    if (relative.rfind("TEMP/$Pellmor.Tmp/", 0) == 0) continue;
    std::abort();
  }
}

void CheckRecorded(const startup::PathList& list) {
  for (std::uint32_t i = 0; i < list.Count; ++i) {
    const char* path = list.Items[i];
    if (std::strncmp(path, kWorkPrefix, sizeof kWorkPrefix - 1) != 0 && std::strcmp(path, kWorkDir) != 0)
      std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string& root = ScratchRoot();
  fs::remove_all(root + "/TEMP");
  fs::create_directories(root + "/TEMP");
  {
    std::ofstream out(root + "/Setup.exe", std::ios::binary | std::ios::trunc);
    std::string front(static_cast<std::size_t>(startup::kTextsStart), '\0');
    out.write(front.data(), static_cast<std::streamsize>(front.size()));
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }
  standin::Reset();
  standin::SetDriveRoot('C', root);
  standin::LimitDiskSpace(1 << 20);
  for (int i = 0; i < 4; ++i)
    standin::ScriptDialog("DLG_PASS", {standin::Type(101, "pw"), standin::Press(1)});
  standin::ScriptDialog("FileExist", {standin::Press(1)});
  standin::ScriptDialog("FileExist", {standin::Press(2)});
  standin::ScriptDialog("FileExist", {standin::Tick(401), standin::Press(1)});

  std::memset(static_cast<void*>(&g_Setup), 0, sizeof g_Setup);
  long long heap_before = standin::HeapInUse();
  g_Setup.CrcTable = static_cast<std::uint32_t*>(platform::Alloc(256 * sizeof(std::uint32_t)));
  decode::BuildCrcTable();
  std::strcpy(g_Setup.WorkDir, kWorkDir);
  g_Setup.OverwriteMode = 2;
  g_Setup.ArchiveBase = startup::kTextsStart;
  g_Setup.PackageFile = CreateFileA("C:\\Setup.exe", GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);

  archive::ExtractArchive(nullptr);

  CheckNothingOutsideWorkDir();
  CheckRecorded(g_Setup.ExtractedFiles);
  CheckRecorded(g_Setup.CreatedDirs);
  CloseHandle(g_Setup.PackageFile);
  archive::ReleasePaths(&g_Setup.ExtractedFiles);
  archive::ReleasePaths(&g_Setup.CreatedDirs);
  platform::Free(g_Setup.CrcTable);
  if (standin::HeapInUse() != heap_before) std::abort();  // every buffer of the run was released
  std::memset(static_cast<void*>(&g_Setup), 0, sizeof g_Setup);
  return 0;
}
