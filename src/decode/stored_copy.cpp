// Copying a stored (method 0) entry: package file to OutFile in chunks of up to
// 32 KiB, deciphered in place when the entry is encrypted, each written chunk
// folded into RunningCrc.
#include "decode/stored_copy.h"

#include "archive/zip_format.h"
#include "crypt/zip_crypto.h"
#include "decode/crc32.h"
#include "platform/memory.h"
#include "platform/win32.h"
#include "startup/setup_state.h"

namespace decode {

using startup::g_Setup;

namespace {
constexpr i32 kCopyChunk = 32768;  // bytes per read, write and CRC pass
}

// Only the bytes a write reports as written enter RunningCrc, so a short write
// (a full disk) leaves the entry failing its CRC comparison; it is also noted in
// Inflate.WriteFailed. A read that delivers nothing (a truncated package) ends
// the copy with CompressedLeft 0, as the inflate byte source does.
void CopyStoredEntry() {
  g_Setup.Inflate.WriteFailed = false;
  if (g_Setup.CompressedLeft <= 0) return;
  i32 size = g_Setup.CompressedLeft < kCopyChunk ? g_Setup.CompressedLeft : kCopyChunk;
  u8* buffer = static_cast<u8*>(platform::Alloc(static_cast<u32>(size)));
  if (!buffer) {
    g_Setup.Inflate.WriteFailed = true;  // nothing can be written: the entry is incomplete
    return;
  }
  bool encrypted = ReadLe16(g_Setup.LocalHeader + archive::kLhFlags) & archive::kFlagEncrypted;
  while (g_Setup.CompressedLeft > 0) {
    DWORD want = static_cast<DWORD>(g_Setup.CompressedLeft < size ? g_Setup.CompressedLeft : size);
    DWORD got = 0;
    if (!ReadFile(g_Setup.PackageFile, buffer, want, &got, nullptr) || got == 0 || got > want) {
      g_Setup.CompressedLeft = 0;
      break;
    }
    g_Setup.CompressedLeft -= static_cast<i32>(got);
    if (encrypted) zipcrypt::DecryptBuffer(buffer, got);
    DWORD written = 0;
    WriteFile(g_Setup.OutFile, buffer, got, &written, nullptr);  // a failed write may still move bytes
    if (written > got) written = got;
    if (written != got) g_Setup.Inflate.WriteFailed = true;
    UpdateCrc(buffer, static_cast<i32>(written), &g_Setup.RunningCrc);
  }
  platform::Free(buffer);
}

}  // namespace decode
