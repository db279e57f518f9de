// CheckPackageSize reads the tail of the file (at most 65558 bytes: the longest
// comment plus the end record's 22 fixed bytes) in one read and scans it from front
// to back for an end record whose comment ends exactly at the end of the file.
#include "startup/package_size.h"

#include "archive/path_utils.h"
#include "archive/zip_format.h"
#include "platform/memory.h"
#include "platform/win32.h"
#include "startup/package_format.h"
#include "startup/setup_state.h"
#include "ui/messages.h"

namespace startup {
namespace {

i32 FileSize() { return static_cast<i32>(GetFileSize(g_Setup.PackageFile, nullptr)); }

// True when the file passes; `block` holds w bytes.
bool TailPasses(u8* block, i32 w) {
  DWORD got = 0;
  archive::SeekPackage(-static_cast<i32>(kTrailerSize), archive::kSeekFromEnd);
  ReadFile(g_Setup.PackageFile, block, kTrailerSize, &got, nullptr);
  if (got == kTrailerSize && block[0] == kTrailerMarker[0] && block[1] == kTrailerMarker[1] &&
      block[2] == kTrailerMarker[2])
    return true;

  archive::SeekPackage(-w, archive::kSeekFromEnd);
  got = 0;
  ReadFile(g_Setup.PackageFile, block, static_cast<DWORD>(w), &got, nullptr);
  if (got < static_cast<DWORD>(w) || g_Setup.FilePos < 0) return false;
  for (i32 i = 0; i <= w - static_cast<i32>(archive::kEndRecordSize); ++i) {
    if (ReadLe32(block + i) != archive::kEndRecordSignature) continue;
    u32 comment = ReadLe16(block + i + archive::kEndRecordCommentLengthOffset);
    if (static_cast<i64>(FileSize()) ==
        static_cast<i64>(g_Setup.FilePos) + i + archive::kEndRecordSize + comment)
      return true;
  }
  return false;
}

}  // namespace

void FailPackageSize() {
  MessageBoxA(nullptr, ui::kTextBadSize, ui::kCaptionError, MB_OK | MB_ICONERROR);
  CloseHandle(g_Setup.PackageFile);
  ExitProcess(0);
}

void CheckPackageSize() {
  i32 size = FileSize();  // a failed query gives -1
  i32 w = size < kTailWindow ? size : kTailWindow;
  if (w <= static_cast<i32>(archive::kEndRecordSize)) FailPackageSize();
  auto* block = static_cast<u8*>(platform::Alloc(static_cast<u32>(w)));
  if (!block) FailPackageSize();
  bool passed = TailPasses(block, w);
  platform::Free(block);
  if (!passed) FailPackageSize();
  g_Setup.SizeCheckPassed = true;
}

}  // namespace startup
