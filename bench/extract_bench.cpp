// Host driver for the extraction benchmark (bench/extract_bench.sh): runs the
// stub's ExtractArchive over the POSIX stand-in on one package, into a folder
// that stands for drive C:, the way the installer does on Windows.
//
// Usage: extract_bench PACKAGE OUTDIR [ARCHIVE_BASE]
//   PACKAGE       a package file (stub image, header, texts, archive)
//   OUTDIR        an existing, empty folder: C:\ of the run; the files land in OUTDIR/W
//   ARCHIVE_BASE  file offset of the archive (default 34324: a package without texts)
// Exit code 0 when the run succeeded; otherwise the messages go to stderr.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "archive/extract.h"
#include "archive/path_utils.h"
#include "decode/crc32.h"
#include "platform/memory.h"
#include "platform/posix/standin.h"
#include "startup/package_format.h"
#include "startup/setup_state.h"

int main(int argc, char** argv) {
  using startup::g_Setup;
  if (argc < 3) {
    std::fprintf(stderr, "usage: %s PACKAGE OUTDIR [ARCHIVE_BASE]\n", argv[0]);
    return 2;
  }
  std::string package = argv[1];
  std::size_t slash = package.find_last_of('/');
  std::string package_dir = slash == std::string::npos ? "." : package.substr(0, slash);
  std::string package_name = slash == std::string::npos ? package : package.substr(slash + 1);

  standin::Reset();
  standin::SetDriveRoot('C', argv[2]);
  standin::SetDriveRoot('D', package_dir);
  g_Setup.CrcTable = static_cast<u32*>(platform::Alloc(256 * sizeof(u32)));
  decode::BuildCrcTable();
  g_Setup.PackageFile = CreateFileA(("D:\\" + package_name).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (g_Setup.PackageFile == INVALID_HANDLE_VALUE) {
    std::fprintf(stderr, "cannot open %s\n", argv[1]);
    return 2;
  }
  g_Setup.ArchiveBase = argc > 3 ? std::atoi(argv[3]) : startup::kTextsStart;
  std::strcpy(g_Setup.WorkDir, "C:\\W");
  g_Setup.OverwriteMode = 0;

  archive::ExtractArchive(nullptr);

  for (const auto& box : standin::RecordedMessageBoxes())
    std::fprintf(stderr, "%s: %s\n", box.caption.c_str(), box.text.c_str());
  std::fprintf(stderr, "%u files written\n", g_Setup.ExtractedFiles.Count);
  CloseHandle(g_Setup.PackageFile);
  return g_Setup.Succeeded ? 0 : 1;
}
