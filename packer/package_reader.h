// Reading a package the way the installer reads it, for pellmor-pack's list,
// test and extract. The installer's own code does the work, over the POSIX
// stand-in of the platform layer: ReadPackageHeader (texts and the integrity
// check), ReadNextLocalHeader (the walk), IsSafeEntryName (confinement),
// CheckEncryptionHeader, CopyStoredEntry and InflateEntry (decoding into
// OutFile with the running CRC). So what test and extract accept is what the
// installer accepts.
//
// The installer's state is one global record: one package is read at a time,
// from one thread.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "packer/codepage.h"
#include "packer/progress.h"

namespace packer {

struct HeaderView {
  bool has_header = false;  // "KZB" stands at the stub size
  std::uint64_t file_size = 0;
  std::uint8_t keep_open = 0;
  std::uint8_t needs_admin = 0;
  std::string title;    // code-page bytes as stored
  std::string inf;
  std::string info;     // unscrambled
  std::string welcome;  // unscrambled; empty when the package has none
  std::string licence;
  std::int32_t welcome_len = 0;
  std::int32_t licence_len = 0;
  std::int32_t extra_len = 0;
  std::int64_t archive_base = 0;
  bool texts_read = false;       // the stored lengths fit the file and the texts were read
  bool size_check_passed = false;
};

struct EntryView {
  std::uint32_t offset = 0;  // file offset of the local header
  std::string name;          // as the installer reads it: the bytes before the first NUL
  std::uint16_t flags = 0;
  std::uint16_t method = 0;
  std::uint16_t dos_time = 0;
  std::uint16_t dos_date = 0;
  std::uint32_t crc = 0;
  std::uint32_t compressed = 0;  // stored bytes, the encryption header included
  std::uint32_t uncompressed = 0;
  std::uint16_t name_length = 0;
  std::uint16_t extra_length = 0;
  bool encrypted() const { return flags & 1; }
  bool descriptor() const { return flags & 8; }
  bool directory() const { return !name.empty() && (name.back() == '/' || name.back() == '\\'); }
};

enum class EntryStatus {
  Ok,
  NoPassword,     // encrypted, and no password was given
  WrongPassword,  // the encryption header's check byte does not match
  UnknownMethod,  // neither stored nor deflated: "Unknown compression type"
  BadData,        // the decoded data fail the CRC: "Error extracting file(s)."
  CannotCreate,   // extract: the output file or folder cannot be made
  WriteFailed,    // extract: a write moved fewer bytes than it was given
  LinkInPath,     // extract: the path below the target folder passes a symbolic link
};

struct EntryResult {
  EntryView entry;
  EntryStatus status = EntryStatus::Ok;
  std::string message;  // empty for Ok
};

enum class ReadMode { List, Test, Extract };

struct ReadRequest {
  ReadMode mode = ReadMode::List;
  std::string package_path;  // host path
  std::string password;      // code-page bytes; empty when none was given
  std::string extract_dir;   // host folder for Extract (created when missing)
  CodePage page;             // how stored names become host names (Extract)
  bool show_progress = false;
  std::function<void(const EntryResult&)> on_entry;  // each entry as it is done
};

struct ReadResult {
  HeaderView header;
  std::vector<EntryResult> entries;
  // How the walk ended: "" when it reached a position that begins no entry,
  // else the installer's message ("Invalid filename.", "Error reading archive.").
  std::string walk_error;
  std::uint32_t walk_end = 0;      // file offset at which the walk stopped
  // The walk stopped at the central directory, an end record or the trailer
  // marker; anywhere else the installer counts the run as failed.
  bool walk_reached_end = false;
  long end_record_entries = -1;    // entries counted by the end record; -1 without one
  std::int64_t central_offset = -1;  // file offset of the central directory by the end record
  // One line for every reason the installer would not install the package, in
  // the order found. Empty: sound.
  std::vector<std::string> problems;
  int status = 0;  // the exit status these problems deserve (exit_codes.h)
};

// Opens and reads the package. False only when the file cannot be opened at
// all (`result->problems` says why, status kExitIo); otherwise true, with the
// verdict in `result`.
bool ReadPackage(const ReadRequest& request, ReadResult* result);

}  // namespace packer
