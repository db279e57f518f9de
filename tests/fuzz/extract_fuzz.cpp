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
#include <string>

#include "archive/extract.h"
#include "archive/path_utils.h"
#include "fuzz/fuzz_support.h"
#include "platform/posix/standin.h"
#include "startup/package_format.h"
#include "startup/setup_state.h"

namespace {

namespace fs = std::filesystem;
using startup::g_Setup;

constexpr char kTag[] = "extract";
constexpr char kWorkDir[] = "C:\\TEMP\\$Pellmor.Tmp";
constexpr char kWorkPrefix[] = "C:\\TEMP\\$Pellmor.Tmp\\";

// The scratch drive, emptied but for C:\TEMP; removed when the fuzzer ends.
const std::string& FreshDrive() {
  static const std::string& root = [] () -> const std::string& {
    const std::string& made = fuzzsupport::ScratchRoot(kTag);
    std::atexit([] { fs::remove_all(fuzzsupport::ScratchRoot(kTag)); });
    return made;
  }();
  fs::remove_all(root + "/TEMP");
  fs::create_directories(root + "/TEMP");
  return root;
}

// Anything on the scratch drive but the package, C:\TEMP and the working tree.
void CheckNothingOutsideWorkDir(const std::string& root) {
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
  const std::string& root = FreshDrive();
  fuzzsupport::WriteDriveFile(kTag, "Setup.exe", data, size, static_cast<std::size_t>(startup::kTextsStart));
  fuzzsupport::ResetRun(kTag);
  long long heap_before = standin::HeapInUse();
  standin::LimitDiskSpace(1 << 20);
  for (int i = 0; i < 4; ++i) standin::ScriptDialog("DLG_PASS", {standin::Type(101, "pw"), standin::Press(1)});
  standin::ScriptDialog("FileExist", {standin::Press(1)});
  standin::ScriptDialog("FileExist", {standin::Press(2)});
  standin::ScriptDialog("FileExist", {standin::Tick(401), standin::Press(1)});
  std::strcpy(g_Setup.WorkDir, kWorkDir);
  g_Setup.OverwriteMode = 2;
  g_Setup.ArchiveBase = startup::kTextsStart;
  g_Setup.PackageFile = CreateFileA("C:\\Setup.exe", GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);

  archive::ExtractArchive(nullptr);

  CheckNothingOutsideWorkDir(root);
  CheckRecorded(g_Setup.ExtractedFiles);
  CheckRecorded(g_Setup.CreatedDirs);
  CloseHandle(g_Setup.PackageFile);
  archive::ReleasePaths(&g_Setup.ExtractedFiles);
  archive::ReleasePaths(&g_Setup.CreatedDirs);
  if (standin::HeapInUse() != heap_before) std::abort();  // every buffer of the run was released
  fuzzsupport::EndRun();
  return 0;
}
