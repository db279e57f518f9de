// The package header: "KZB", KeepOpen, title length, INF length, NeedsAdmin,
// InfoLen (one byte each), then WelcomeLen, LicenceLen, ExtraLen (int32 LE each);
// then title, INF name (plain), information line, welcome, licence (scrambled),
// extra data, and the ZIP archive at ArchiveBase.
//
// Format notes: the reads after the magic are not counted; a package cut short in
// its header or texts has no end record at its end and fails CheckPackageSize right
// after the texts. A negative or impossible length marks the package as damaged:
// the size message, never an allocation larger than the file.
#include "startup/package_header.h"

#include "archive/path_utils.h"
#include "platform/memory.h"
#include "platform/win32.h"
#include "startup/package_format.h"
#include "startup/package_size.h"
#include "startup/privilege.h"
#include "startup/scramble.h"
#include "startup/setup_state.h"
#include "ui/messages.h"

namespace startup {
namespace {

void ReadBytes(void* buffer, u32 count) {
  DWORD got = 0;
  ReadFile(g_Setup.PackageFile, buffer, count, &got, nullptr);
}

// A scrambled text of `length` bytes into a fresh block with a NUL behind it;
// null when the block cannot be had.
char* ReadText(i32 length) {
  auto* text = static_cast<char*>(platform::Alloc(static_cast<u32>(length) + 1));
  if (!text) return nullptr;
  platform::FillBytes(text, 0, static_cast<u32>(length) + 1);
  ReadBytes(text, static_cast<u32>(length));
  UnscrambleText(text, length);
  return text;
}

// True when every stored length is one the file can hold: none negative, and
// their sum no larger than the file. Only then are blocks allocated for them.
bool LengthsFitFile(u8 title_length, u8 inf_length) {
  if (g_Setup.WelcomeLen < 0 || g_Setup.LicenceLen < 0 || g_Setup.ExtraLen < 0) return false;
  DWORD high = 0;
  DWORD size = GetFileSize(g_Setup.PackageFile, &high);
  if (size == INVALID_FILE_SIZE) return false;
  u64 file_size = (static_cast<u64>(high) << 32) | size;
  u64 needed = static_cast<u64>(kTextsStart) + title_length + inf_length + g_Setup.InfoLen +
               static_cast<u64>(g_Setup.WelcomeLen) + static_cast<u64>(g_Setup.LicenceLen) +
               static_cast<u64>(g_Setup.ExtraLen);
  return needed <= file_size;
}

}  // namespace

bool ReadPackageHeader() {
  archive::SeekPackage(kStubSize, archive::kSeekFromStart);
  u8 magic[kHeaderMagicSize] = {};
  DWORD got = 0;
  ReadFile(g_Setup.PackageFile, magic, kHeaderMagicSize, &got, nullptr);
  if (got < kHeaderMagicSize || magic[0] != kHeaderMagic[0] || magic[1] != kHeaderMagic[1] ||
      magic[2] != kHeaderMagic[2])
    return true;

  u8 fields[kPackageHeaderSize - kHeaderMagicSize] = {};
  ReadBytes(fields, sizeof fields);
  g_Setup.KeepOpen = fields[0];
  u8 title_length = fields[1];
  u8 inf_length = fields[2];
  g_Setup.NeedsAdmin = fields[3];
  g_Setup.InfoLen = fields[4];
  g_Setup.WelcomeLen = static_cast<i32>(ReadLe32(fields + 5));
  g_Setup.LicenceLen = static_cast<i32>(ReadLe32(fields + 9));
  g_Setup.ExtraLen = static_cast<i32>(ReadLe32(fields + 13));
  g_Setup.HasTitle = title_length > 0;

  bool result = true;
  if (g_Setup.NeedsAdmin != 0 && !IsAdministrator()) {
    MessageBoxA(nullptr, ui::kTextNeedAdmin, ui::kCaptionError, MB_OK);
    result = false;
  }

  if (!LengthsFitFile(title_length, inf_length)) FailPackageSize();

  ReadBytes(g_Setup.Title, title_length);
  g_Setup.Title[title_length] = '\0';
  ReadBytes(g_Setup.InfName, inf_length);
  g_Setup.InfName[inf_length] = '\0';
  g_Setup.InfoText = ReadText(g_Setup.InfoLen);
  if (g_Setup.WelcomeLen > 0) g_Setup.WelcomeText = ReadText(g_Setup.WelcomeLen);
  if (!g_Setup.WelcomeText) g_Setup.WelcomeText = ui::kDefaultWelcomeText;
  if (g_Setup.LicenceLen > 0) g_Setup.LicenceText = ReadText(g_Setup.LicenceLen);
  if (!g_Setup.InfoText || (g_Setup.LicenceLen > 0 && !g_Setup.LicenceText)) FailPackageSize();

  CheckPackageSize();
  g_Setup.ArchiveBase = static_cast<i32>(static_cast<u32>(kTextsStart) + title_length + inf_length +
                                         g_Setup.InfoLen + static_cast<u32>(g_Setup.WelcomeLen) +
                                         static_cast<u32>(g_Setup.LicenceLen) + static_cast<u32>(g_Setup.ExtraLen));
  return result;
}

}  // namespace startup
