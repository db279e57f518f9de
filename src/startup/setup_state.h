// SetupState: the one run-wide record of the installer. It is a zero-initialised
// static (no constructors run); every routine of the stub reads and writes the
// fields named in its contract, and nothing keeps state anywhere else.
#pragma once

#include "platform/types.h"
#include "platform/win32.h"

namespace decode {
struct DecodeEntry;  // a Huffman decode table entry (decode/huffman_tables.h)
}

namespace startup {

// Buffer capacities, in bytes, terminating NUL included.
constexpr u32 kWorkDirSize = 256;    // WorkDir: a directory name of at most 255 characters
constexpr u32 kSystemDirSize = 128;  // SystemDir: GetSystemDirectoryA is given 127
constexpr u32 kStartDirSize = 256;   // StartDir
constexpr u32 kHeaderTextSize = 261; // InfName and Title: a length byte of at most 255, plus room
constexpr u32 kPasswordSize = 80;    // PasswordText: at most 79 typed characters
constexpr u32 kModulePathSize = 261; // the program's own path
constexpr u32 kNameBufferSize = 258; // an entry name as read from a local header
constexpr u32 kPathSize = 260;       // a full output path (MAX_PATH, NUL included)
constexpr u32 kLocalHeaderSize = 30; // fixed part of a ZIP local file header
constexpr u32 kNoticeLength = 101;   // characters of the built-in notice

// The decoder's working state for one entry: input chunk, bit buffer, window and
// the fixed-code tables. InflateEntry resets it; decode/inflate.cpp writes it.
struct InflateState {
  u8* InputBuffer;                 // 32 KiB, allocated per entry; holds deciphered input
  u32 InputPos;                    // next byte of InputBuffer to hand out
  u32 InputCount;                  // bytes the last read delivered into InputBuffer
  std::uintptr_t BitBuffer;        // pending input bits, the next stream bit in bit 0; a machine
                                   // word (32 bits in the i686 stub). Bits above BitCount are
                                   // zero or copies of the input bytes that follow.
  u32 BitCount;                    // valid bits in BitBuffer
  u32 FillerBits;                  // one-bits entered after the entry's data ran out; more of
                                   // them than BitCount means bits past the data were dropped
  u8* SlidingWindow;               // 32 KiB history and output buffer, allocated per entry
  u32 WindowPos;                   // next write position = bytes not yet written to OutFile
  bool WindowFull;                 // a whole window was written: every distance has history
  decode::DecodeEntry* FixedLiteralTable;   // fixed-code tables, built on the entry's first
  decode::DecodeEntry* FixedDistanceTable;  // fixed-code block and kept to its end
  decode::DecodeEntry* FixedTableList;      // release list of both fixed tables
  u32 FixedLiteralWidth;           // root widths the builder returned for them (7 and 5)
  u32 FixedDistanceWidth;
  bool WriteFailed;                // the entry's output is short: a write of OutFile moved fewer
                                   // bytes than handed over, or a buffer could not be had.
                                   // Cleared by InflateEntry and CopyStoredEntry.
};

// A growable list of heap-allocated paths (files written, directories created).
struct PathList {
  char** Items;  // Items[0 .. Count-1], each a NUL-terminated heap block
  u32 Count;
  u32 Capacity;
};

struct SetupState {
  // Start-up and package header
  HINSTANCE Instance;                  // module handle; the instance of every dialog
  HANDLE PackageFile;                  // the program's own executable, open for reading
  i32 FilePos;                         // position after the last SeekPackage; -1 when it failed
  i32 ArchiveBase;                     // file offset of the ZIP archive; 0 until the header is read
  u32* CrcTable;                       // 256 CRC-32 remainders, built once at start-up
  char WorkDir[kWorkDirSize];          // working directory for extraction
  char SystemDir[kSystemDirSize];      // the Windows system directory
  char StartDir[kStartDirSize];        // current directory at start
  char* InfName;                       // kHeaderTextSize heap buffer: the INF field
  char* Title;                         // kHeaderTextSize heap buffer: the package title
  bool HasTitle;                       // the header's title length is above 0
  u8 KeepOpen;                         // header flag: 0 closes the window after setup
  u8 NeedsAdmin;                       // header flag: nonzero requires administrator rights
  u8 InfoLen;                          // length of the stored information line
  i32 WelcomeLen;                      // length of the stored welcome text
  i32 LicenceLen;                      // length of the stored licence text
  i32 ExtraLen;                        // length of the extra data before the archive
  char* InfoText;                      // information line, unscrambled; never null after the header
  const char* WelcomeText;             // welcome text, or the default welcome text
  char* LicenceText;                   // licence text, or null when the package has none
  char BuiltInNotice[kNoticeLength + 1];  // the program's notice, unscrambled by PrepareSetup
  bool SizeCheckPassed;                // set by CheckPackageSize

  // Main dialog
  bool InstallStarted;                 // Install was accepted; button 1 now means Info
  bool Succeeded;                      // the last extraction finished without error

  // Extraction
  PathList ExtractedFiles;             // every output file written, in creation order
  PathList CreatedDirs;                // every directory extraction created, parents first
  char PasswordText[kPasswordSize];    // typed password, NUL-terminated
  i32 PasswordLength;                  // characters in PasswordText
  char CurrentPassword[kPasswordSize]; // last password entered; kept from entry to entry
  u8 OverwriteMode;                    // 0 overwrite, 1 keep, 2 ask
  bool OverwriteAnswer;                // answer of the last overwrite prompt: true = replace
  char ExistingName[kPathSize];        // file-name part shown by the overwrite prompt
  u8 LocalHeader[kLocalHeaderSize];    // the current local file header as read
  u32 LocalSignature;                  // local-header signature, formed at run time
  i32 CompressedLeft;                  // stored bytes of the current entry not yet read
  HANDLE OutFile;                      // output file being written
  u32 RunningCrc;                      // CRC-32 register of the entry being written

  // Decoding and decryption
  InflateState Inflate;
  u32 CipherKeys[3];                   // traditional ZIP decryption keys
};

extern SetupState g_Setup;

// Frees every block the record refers to and zeroes it, as a fresh process has it.
// The installer itself never calls this (its blocks live until the process ends);
// hosts that run the installer's code several times in one process do.
void ReleaseSetupState();

}  // namespace startup
