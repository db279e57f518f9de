// The extraction run: the walk over the local headers, the password of encrypted
// entries, the overwrite rule, directories, the output file with its time, the
// progress line, the record of written paths and the CRC comparison.
//
// How a run ends (messages have no owner and only an OK button):
//   the first seek fails           "Error reading archive." / "Error in archive .."; abandoned
//   empty, unsafe or long name     "Invalid filename." / "Error in archive.."; abandoned
//   password dialog cancelled      no message; abandoned
//   unknown compression method     "Unknown compression type" / "Error"; abandoned
//   CRC differs, or a short write  "Error extracting file(s)." / "Error"; abandoned
//   directory cannot be made       the directory / "Error in directory .."; the walk ends, failed
//   file cannot be created         the path / "Cannot open file .." (none for a directory
//                                  or a missing path); the walk ends, failed
//   three wrong passwords          no message; the entry is skipped, the run will fail
//   file cannot be closed          the path / "Cannot close the file"; the walk goes on
//   walk over                      success, or "Error extracting file(s)." / "Error" and the
//                                  same text in control 3002 when the run failed, no entry
//                                  was accepted last, or the walk stopped short of the end
// Abandoned means: Succeeded stays false and control 3002 keeps its text. Files
// written stay on disk and stay recorded, so the clean-up still deletes them.
#include "archive/extract.h"

#include "archive/entry_name.h"
#include "archive/local_header.h"
#include "archive/path_utils.h"
#include "archive/zip_format.h"
#include "crypt/zip_crypto.h"
#include "decode/crc32.h"
#include "decode/inflate.h"
#include "decode/stored_copy.h"
#include "platform/memory.h"
#include "resource_ids.h"
#include "startup/setup_state.h"
#include "ui/messages.h"
#include "ui/overwrite_dialog.h"
#include "ui/password_dialog.h"
#include "ui/pump.h"

namespace archive {
namespace {

using startup::g_Setup;

constexpr char kPasswordDialog[] = "DLG_PASS";
constexpr char kOverwriteDialog[] = "FileExist";
constexpr int kPasswordTries = 3;
constexpr u8 kOverwriteNever = 1;  // OverwriteMode: 0 replaces existing files, 1 keeps them, 2 asks
constexpr u8 kOverwriteAsk = 2;

// What the walk does after a step of an entry.
enum class Step {
  Go,       // carry on with this entry
  Next,     // go on with the next header
  Fail,     // stop the walk; the run fails
  Abandon,  // leave at once, without the final evaluation
};

// The locals of one run.
struct Run {
  HWND Window;         // the main dialog: control 3002 shows progress
  bool EntryAccepted;  // the current entry is unencrypted, a directory, or its password passed
  bool Failed;         // an entry was refused for its password or could not be written
  char Path[startup::kPathSize];  // the current entry's target path, '\' separated
};

void ShowError(const char* text, const char* caption) { MessageBoxA(nullptr, text, caption, MB_OK); }

void SetStatusText(HWND window, const char* text) {
  SendMessageA(GetDlgItem(window, IDC_MAIN_TEXT), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text));
}

bool IsDirectory(const char* path) {
  DWORD attributes = GetFileAttributesA(path);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

u16 HeaderWord(u32 offset) { return ReadLe16(g_Setup.LocalHeader + offset); }
u32 HeaderLong(u32 offset) { return ReadLe32(g_Setup.LocalHeader + offset); }
bool IsEncrypted() { return (HeaderWord(kLhFlags) & kFlagEncrypted) != 0; }

// Reads the entry name that follows the header and joins it to WorkDir (one
// trailing '\' of WorkDir dropped) into run->Path, every '/' turned into '\'.
// False for a name that is empty, does not fit the name buffer, is not a plain
// relative path (IsSafeEntryName), or makes a path longer than MAX_PATH - 1.
// A short read of the name keeps only the bytes that arrived.
bool ReadTargetPath(Run* run, u16 name_length) {
  char name[startup::kNameBufferSize];
  if (name_length > sizeof name) return false;
  DWORD got = 0;
  if (name_length > 0) ReadFile(g_Setup.PackageFile, name, name_length, &got, nullptr);
  if (got > name_length) got = name_length;
  // Cut before the first NUL, in place; a name that fills the buffer has no room for one.
  if (BufferToString(reinterpret_cast<u8*>(name), got, name, sizeof name) <= 0) return false;
  if (!IsSafeEntryName(name)) return false;
  StripBackslash(g_Setup.WorkDir);
  u32 work_length = PCharLength(g_Setup.WorkDir);
  u32 name_chars = PCharLength(name);
  if (work_length + 1 + name_chars + 1 > sizeof run->Path) return false;
  platform::CopyBytes(run->Path, g_Setup.WorkDir, work_length);
  run->Path[work_length] = '\\';
  platform::CopyBytes(run->Path + work_length + 1, name, name_chars + 1);
  SlashesToBackslashes(run->Path);
  return true;
}

// Format notes: an encrypted entry's data begin with a 12-byte encryption header
// (counted in the compressed size). Its last byte, deciphered, is the password
// check. The block keeps the bytes as read in 12..23, so every attempt deciphers
// the same header.
//
// Tries CurrentPassword, then up to three typed ones; each typed password becomes
// CurrentPassword, and the dialog's copy is wiped. Sets run->EntryAccepted and
// leaves CipherKeys ready for the data after a pass. False when the person
// cancels the dialog.
bool CheckPassword(Run* run) {
  constexpr u32 kHeader = kEncryptionHeaderSize;
  u8 block[2 * kHeader];
  platform::FillBytes(block, 0, kHeader);
  DWORD got = 0;
  ReadFile(g_Setup.PackageFile, block, kHeader, &got, nullptr);
  platform::CopyBytes(block + kHeader, block, kHeader);
  u16 flags = HeaderWord(kLhFlags);
  u32 crc = HeaderLong(kLhCrc);
  u32 time_date = HeaderLong(kLhTime);  // time in the low half, date in the high half
  char* password = g_Setup.CurrentPassword;
  run->EntryAccepted =
      password[0] != '\0' && zipcrypt::CheckEncryptionHeader(block, kHeader, flags, crc, time_date, password);
  for (int tries = 0; !run->EntryAccepted && tries < kPasswordTries; ++tries) {
    if (DialogBoxParamA(g_Setup.Instance, kPasswordDialog, nullptr, ui::PasswordDialogProc, 0) != IDOK)
      return false;
    i32 length = g_Setup.PasswordLength;
    if (length < 0) length = 0;
    if (length > static_cast<i32>(startup::kPasswordSize) - 1) length = startup::kPasswordSize - 1;
    BufferToString(reinterpret_cast<const u8*>(g_Setup.PasswordText), static_cast<u32>(length), password,
                   startup::kPasswordSize);
    run->EntryAccepted = zipcrypt::CheckEncryptionHeader(block, kHeader, flags, crc, time_date, password);
    platform::FillBytes(g_Setup.PasswordText, 0, startup::kPasswordSize);
  }
  return true;
}

// Makes `directory` (WorkDir or below it) with its missing parents, recording each
// one made. WorkDir itself is made with CreateDirectoryA alone, so no directory
// above it is ever created. A directory still missing afterwards is reported.
bool MakeEntryDirectory(const char* directory) {
  const char* work = g_Setup.WorkDir;
  if (!IsDirectory(work) && CreateDirectoryA(work, nullptr)) AppendPath(&g_Setup.CreatedDirs, work);
  if (IsDirectory(work)) MakeDirectories(directory, &g_Setup.CreatedDirs);
  if (IsDirectory(directory)) return true;
  ShowError(directory, ui::kCaptionDirectory);
  return false;
}

// A directory entry (its name ends in a separator) makes its directory; it
// carries no file.
Step ExtractDirectory(Run* run) {
  StripBackslash(run->Path);
  if (!MakeEntryDirectory(run->Path)) return Step::Fail;
  run->EntryAccepted = true;
  return Step::Next;
}

// An existing target is kept or replaced as OverwriteMode and the prompt decide;
// a new one gets its directory.
Step PrepareTarget(Run* run) {
  char* path = run->Path;
  if (PathExists(path)) {
    if (g_Setup.OverwriteMode == kOverwriteNever) return Step::Next;
    if (g_Setup.OverwriteMode == kOverwriteAsk) {
      PathFileName(path, g_Setup.ExistingName, sizeof g_Setup.ExistingName);
      g_Setup.OverwriteAnswer = false;  // a prompt that cannot open keeps the file
      DialogBoxParamA(g_Setup.Instance, kOverwriteDialog, nullptr, ui::OverwriteDialogProc, 0);
      if (!g_Setup.OverwriteAnswer) return Step::Next;
    }
    return Step::Go;
  }
  char directory[startup::kPathSize];
  PathDirectory(path, directory, sizeof directory);
  return MakeEntryDirectory(directory) ? Step::Go : Step::Fail;
}

void ShowProgress(HWND window, const char* path) {
  constexpr u32 kPrefix = sizeof ui::kExtractingPrefix - 1;
  char text[kPrefix + startup::kPathSize];
  platform::CopyBytes(text, ui::kExtractingPrefix, kPrefix);
  platform::CopyBytes(text + kPrefix, path, PCharLength(path) + 1u);
  SetStatusText(window, text);
  ui::PumpOneMessage();
}

// Decodes the entry's data from the package (standing at the first data byte,
// behind the encryption header) into OutFile and compares the CRC-32.
Step DecodeEntry() {
  u32 data_size = HeaderLong(kLhCompressedSize);
  if (IsEncrypted()) data_size -= kEncryptionHeaderSize;  // below 12: negative, nothing is read
  g_Setup.CompressedLeft = static_cast<i32>(data_size);
  g_Setup.RunningCrc = decode::kCrcStart;
  g_Setup.Inflate.WriteFailed = false;
  switch (HeaderWord(kLhMethod)) {
    case kMethodStored:
      decode::CopyStoredEntry();
      break;
    case kMethodDeflated:
      decode::InflateEntry();
      break;
    default:
      ShowError(ui::kTextUnknownMethod, ui::kCaptionError);
      return Step::Abandon;
  }
  // The decoders fold only the bytes really written into RunningCrc, so a short
  // write fails here as well; WriteFailed names it even when the CRCs agree.
  if ((g_Setup.RunningCrc ^ decode::kCrcStart) != HeaderLong(kLhCrc) || g_Setup.Inflate.WriteFailed) {
    ShowError(ui::kTextExtractError, ui::kCaptionError);
    return Step::Abandon;
  }
  return Step::Next;
}

// Stamps the entry's MS-DOS date and time (local time) on OutFile as its
// last-write time, then closes it. A date that does not convert leaves the time
// the system gave the file.
void CloseOutput(const char* path) {
  FILETIME local, utc;
  if (DosDateTimeToFileTime(HeaderWord(kLhDate), HeaderWord(kLhTime), &local) &&
      LocalFileTimeToFileTime(&local, &utc))
    SetFileTime(g_Setup.OutFile, nullptr, nullptr, &utc);
  if (!CloseHandle(g_Setup.OutFile)) ShowError(path, ui::kCaptionCannotClose);
}

// Creates the output file, shows and records its path, decodes into it and
// closes it with its time, on every way out once it is open.
Step WriteEntry(Run* run) {
  const char* path = run->Path;
  g_Setup.OutFile = CreateFileA(path, GENERIC_WRITE, FILE_SHARE_WRITE, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
  if (g_Setup.OutFile == INVALID_HANDLE_VALUE) {
    // GetFileAttributesA's failure value has the directory bit set: a path that
    // does not exist gets no message either.
    if ((GetFileAttributesA(path) & FILE_ATTRIBUTE_DIRECTORY) == 0) ShowError(path, ui::kCaptionCannotOpen);
    return Step::Fail;
  }
  ShowProgress(run->Window, path);
  if (!AppendPath(&g_Setup.ExtractedFiles, path)) {
    // A file that cannot be recorded would outlive Close: it goes at once.
    CloseHandle(g_Setup.OutFile);
    DeleteFileA(path);
    return Step::Fail;
  }
  Step step = DecodeEntry();
  CloseOutput(path);
  return step;
}

Step ProcessEntry(Run* run) {
  run->EntryAccepted = false;
  if (run->Path[PCharLength(run->Path) - 1] == '\\') return ExtractDirectory(run);
  if (!IsEncrypted()) {
    run->EntryAccepted = true;
  } else if (!CheckPassword(run)) {
    return Step::Abandon;
  }
  if (!run->EntryAccepted) {
    run->Failed = true;  // three wrong passwords: the entry is not written
    return Step::Next;
  }
  Step step = PrepareTarget(run);
  return step == Step::Go ? WriteEntry(run) : step;
}

// Format notes: the local entries of an archive are followed by its central
// directory, or, in an archive without entries, by its end record; a package may
// instead end with the trailer marker. A walk that stops anywhere else could not
// place the next header: an entry whose sizes only a data descriptor gives
// (streamed archives), damage, or a cut-off file. Entries may then be missing.
bool WalkReachedEnd() {
  const u8* header = g_Setup.LocalHeader;
  u32 signature = ReadLe32(header + kLhSignature);
  return signature == kCentralSignature || signature == kEndRecordSignature ||
         (header[0] == 'Q' && header[1] == 'W' && header[2] == 'J');
}

void Evaluate(const Run& run) {
  if (run.EntryAccepted && !run.Failed) {
    g_Setup.Succeeded = true;
    return;
  }
  ShowError(ui::kTextExtractError, ui::kCaptionError);
  SetStatusText(run.Window, ui::kTextExtractError);
  g_Setup.Succeeded = false;
}

}  // namespace

void ExtractArchive(HWND window) {
  ReleasePaths(&g_Setup.ExtractedFiles);
  g_Setup.Succeeded = false;
  // Formed at run time: the image must hold no run of the bytes 50 4B 03 04.
  volatile u32 signature_plus_one = kLocalSignaturePlusOne;
  g_Setup.LocalSignature = signature_plus_one - 1;
  Run run;
  run.Window = window;
  run.EntryAccepted = false;
  run.Failed = false;

  SeekPackage(g_Setup.ArchiveBase, kSeekFromStart);
  if (g_Setup.FilePos == -1) {
    ShowError(ui::kTextReadingArchive, ui::kCaptionArchive);
    return;
  }
  Step step = Step::Next;
  while (step == Step::Next && ReadNextLocalHeader()) {
    // Positions are 32-bit sums over the header's own fields. A compressed size
    // that carries the sum past 4 GiB would point the walk back to an earlier
    // header, and round and round: that entry is damaged.
    u32 entry_start = static_cast<u32>(g_Setup.FilePos);
    u16 name_length = HeaderWord(kLhNameLength);
    u32 data_start = entry_start + kLocalHeaderSize + name_length + HeaderWord(kLhExtraLength);
    u32 next_header = data_start + HeaderLong(kLhCompressedSize);
    if (next_header < data_start) {
      step = Step::Fail;
      break;
    }
    if (!ReadTargetPath(&run, name_length)) {
      ShowError(ui::kTextInvalidName, ui::kCaptionArchiveNoBlank);
      return;
    }
    SeekPackage(static_cast<i32>(data_start), kSeekFromStart);
    step = ProcessEntry(&run);
    if (step == Step::Abandon) return;
    SeekPackage(static_cast<i32>(next_header), kSeekFromStart);
  }
  if (step == Step::Fail || !WalkReachedEnd()) run.Failed = true;
  Evaluate(run);
}

}  // namespace archive
