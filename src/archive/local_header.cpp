// The local-header reader of the archive walk.
//
// Format notes: a local header is 30 bytes, little-endian, signature first. An
// entry whose flag bit 3 is set may be followed by a data descriptor: the optional
// signature 0x08074b50, then CRC-32, compressed and uncompressed size. Only signed
// descriptors are recognised here; the walk positions itself by the compressed
// size of the local header, so it stands at the descriptor when there is one.
#include "archive/local_header.h"

#include "archive/path_utils.h"
#include "archive/zip_format.h"
#include "platform/memory.h"
#include "platform/win32.h"
#include "startup/setup_state.h"

namespace archive {

using startup::g_Setup;

static_assert(kLocalHeaderSize == startup::kLocalHeaderSize, "LocalHeader holds one fixed header");

bool ReadNextLocalHeader() {
  u8* header = g_Setup.LocalHeader;
  for (;;) {
    // A short read leaves zeros, never the fields of the previous header.
    platform::FillBytes(header, 0, kLocalHeaderSize);
    // A failed seek (a position beyond 2 GiB) leaves the file where it was: no
    // header can be read at the intended place.
    if (g_Setup.FilePos == -1) break;
    DWORD got = 0;
    ReadFile(g_Setup.PackageFile, header, kLocalHeaderSize, &got, nullptr);
    u32 signature = ReadLe32(header + kLhSignature);
    if (signature == g_Setup.LocalSignature || signature == kAltLocalSignature) {
      g_Setup.CompressedLeft = static_cast<i32>(ReadLe32(header + kLhCompressedSize));
      return true;
    }
    if (signature != kDataDescriptorSignature) break;
    // Unsigned sum: a position past 2 GiB turns negative, and that seek fails.
    SeekPackage(static_cast<i32>(static_cast<u32>(g_Setup.FilePos) + kDataDescriptorSize), kSeekFromStart);
  }
  g_Setup.CompressedLeft = 0;
  return false;
}

}  // namespace archive
