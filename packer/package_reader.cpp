// The installer's reading code run over the POSIX stand-in. The package is
// opened through a drive letter that stands for the host's root folder
// (P:\home\me\Setup.exe is /home/me/Setup.exe); extraction writes through a
// second letter that stands for the target folder, so that the installer's
// own path routines (PathDirectory, MakeDirectories, PathExists) make the
// folders. Decoding goes through the installer's decoders into OutFile: the
// target file, or the null device when only testing.
//
// Format notes: the walk is the installer's: local headers in file order from
// ArchiveBase, each next one behind the previous entry's compressed size, data
// descriptors passed over; it ends at the first position that begins no entry.
// The central directory is read only afterwards, to tell whether the walk saw
// every entry that the directory lists.
#include "packer/package_reader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <set>

#include "archive/entry_name.h"
#include "archive/local_header.h"
#include "archive/path_utils.h"
#include "archive/zip_format.h"
#include "crypt/zip_crypto.h"
#include "decode/crc32.h"
#include "decode/inflate.h"
#include "decode/stored_copy.h"
#include "packer/dos_time.h"
#include "packer/entry_rules.h"
#include "packer/exit_codes.h"
#include "platform/memory.h"
#include "platform/posix/standin.h"
#include "platform/win32.h"
#include "startup/package_format.h"
#include "startup/package_header.h"
#include "startup/setup_state.h"
#include "ui/messages.h"

namespace packer {
namespace {

using startup::g_Setup;

constexpr char kPackageDrive = 'P';  // stands for the host's root folder
constexpr char kTargetDrive = 'X';   // stands for the extraction folder

// The installer's state for one package: the buffers the entry point allocates,
// the CRC table, and an administrator token so that a package that demands
// one is read like any other. Everything is released on the way out.
class Session {
 public:
  Session() {
    Release();
    g_Setup.InfName = static_cast<char*>(platform::Alloc(startup::kHeaderTextSize));
    g_Setup.Title = static_cast<char*>(platform::Alloc(startup::kHeaderTextSize));
    g_Setup.InfName[0] = g_Setup.Title[0] = '\0';
    g_Setup.CrcTable = static_cast<u32*>(platform::Alloc(decode::kCrcTableEntries * sizeof(u32)));
    decode::BuildCrcTable();
    g_Setup.PackageFile = INVALID_HANDLE_VALUE;
    g_Setup.LocalSignature = archive::kLocalSignaturePlusOne - 1;
    standin::SetDriveRoot(kPackageDrive, "");
    standin::SetTokenGroups({{{5, 32, 544}, 0}});
  }
  ~Session() {
    if (g_Setup.PackageFile != INVALID_HANDLE_VALUE && g_Setup.PackageFile != nullptr)
      CloseHandle(g_Setup.PackageFile);
    Release();
  }
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

 private:
  static void Release() { startup::ReleaseSetupState(); }
};

std::string AbsolutePath(const std::string& path) {
  if (!path.empty() && path[0] == '/') return path;
  char cwd[PATH_MAX];
  if (!getcwd(cwd, sizeof cwd)) return path;
  return std::string(cwd) + "/" + path;
}

// Host path -> the same path on the drive that stands for the host's root.
std::string OnDrive(char drive, const std::string& host_absolute) {
  std::string out(1, drive);
  out += ':';
  for (char c : host_absolute) out.push_back(c == '/' ? '\\' : c);
  return out;
}

std::string Quote(const std::string& s) { return "\"" + s + "\""; }

std::string Hex32(std::uint32_t v) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "%08x", v);
  return buffer;
}

// The header, texts and integrity check, by the installer's ReadPackageHeader.
// The check ends the program when it fails: the stand-in's ExitProcess throws,
// and the fields read so far stay in g_Setup.
void ReadHeader(HeaderView* header) {
  DWORD high = 0;
  DWORD low = GetFileSize(g_Setup.PackageFile, &high);
  header->file_size = (static_cast<std::uint64_t>(high) << 32) | low;
  u8 lengths[2] = {};  // title and INF field lengths, bytes 4 and 5 of the fixed header
  archive::SeekPackage(startup::kStubSize + 4, archive::kSeekFromStart);
  DWORD got = 0;
  ReadFile(g_Setup.PackageFile, lengths, sizeof lengths, &got, nullptr);
  u32 title_length = lengths[0];
  u32 inf_length = lengths[1];
  bool ended = false;
  try {
    startup::ReadPackageHeader();
  } catch (const standin::ProcessExit&) {
    ended = true;
    g_Setup.PackageFile = INVALID_HANDLE_VALUE;  // closed by the check before it ended the program
  }
  header->has_header = g_Setup.InfoText != nullptr || ended || g_Setup.SizeCheckPassed;
  if (!header->has_header) return;
  header->keep_open = g_Setup.KeepOpen;
  header->needs_admin = g_Setup.NeedsAdmin;
  header->title = g_Setup.Title;
  header->inf = g_Setup.InfName;
  header->welcome_len = g_Setup.WelcomeLen;
  header->licence_len = g_Setup.LicenceLen;
  header->extra_len = g_Setup.ExtraLen;
  header->texts_read = g_Setup.InfoText != nullptr;
  if (header->texts_read) {
    header->info.assign(g_Setup.InfoText, g_Setup.InfoLen);
    if (g_Setup.WelcomeLen > 0 && g_Setup.WelcomeText != ui::kDefaultWelcomeText)
      header->welcome.assign(g_Setup.WelcomeText, static_cast<std::size_t>(g_Setup.WelcomeLen));
    if (g_Setup.LicenceText) header->licence.assign(g_Setup.LicenceText, static_cast<std::size_t>(g_Setup.LicenceLen));
  }
  header->size_check_passed = !ended && g_Setup.SizeCheckPassed;
  // The stored lengths, not those of the texts as read: a title with a NUL in
  // it shows shorter than it is stored.
  header->archive_base = static_cast<std::int64_t>(startup::kTextsStart) + title_length + inf_length +
                         g_Setup.InfoLen + static_cast<std::int64_t>(g_Setup.WelcomeLen) + g_Setup.LicenceLen +
                         g_Setup.ExtraLen;
}

EntryView ViewOfHeader(std::uint32_t offset, const std::string& name) {
  const u8* h = g_Setup.LocalHeader;
  EntryView e;
  e.offset = offset;
  e.name = name;
  e.flags = ReadLe16(h + archive::kLhFlags);
  e.method = ReadLe16(h + archive::kLhMethod);
  e.dos_time = ReadLe16(h + archive::kLhTime);
  e.dos_date = ReadLe16(h + archive::kLhDate);
  e.crc = ReadLe32(h + archive::kLhCrc);
  e.compressed = ReadLe32(h + archive::kLhCompressedSize);
  e.uncompressed = ReadLe32(h + archive::kLhUncompressedSize);
  e.name_length = ReadLe16(h + archive::kLhNameLength);
  e.extra_length = ReadLe16(h + archive::kLhExtraLength);
  return e;
}

// The end-of-central-directory record whose comment ends exactly at the end of
// the file (the one the integrity check accepts).
void ReadEndRecord(const std::string& host_path, std::int64_t archive_base, ReadResult* result) {
  std::ifstream in(host_path, std::ios::binary);
  std::uint64_t size = result->header.file_size;
  std::uint64_t window = std::min<std::uint64_t>(size, startup::kTailWindow);
  if (window < archive::kEndRecordSize) return;
  std::string tail(window, '\0');
  in.seekg(static_cast<std::streamoff>(size - window));
  if (!in.read(&tail[0], static_cast<std::streamsize>(window))) return;
  const u8* p = reinterpret_cast<const u8*>(tail.data());
  for (std::size_t i = window - archive::kEndRecordSize + 1; i-- > 0;) {
    if (ReadLe32(p + i) != archive::kEndRecordSignature) continue;
    if (i + archive::kEndRecordSize + ReadLe16(p + i + archive::kEndRecordCommentLengthOffset) != window) continue;
    result->end_record_entries = ReadLe16(p + i + 10);
    result->central_offset = archive_base + ReadLe32(p + i + 16);
    return;
  }
}

struct Walker {
  const ReadRequest& request;
  ReadResult* result;
  std::string target_root;  // Extract: the absolute host folder
  HANDLE sink = INVALID_HANDLE_VALUE;  // Test: the null device
  int not_checked = 0;  // encrypted entries met without a password
  std::set<std::string> plain_folders;  // Extract: folders below the target known to be no links

  // Refuses a path below the extraction folder that passes a symbolic link, or
  // ends in one: the folder may be one the user already had, and a link there
  // must not carry a file out of it.
  bool PassesLink(const std::string& relative) {
    std::size_t pos = 0;
    while (pos < relative.size()) {
      std::size_t slash = relative.find('/', pos);
      bool last = slash == std::string::npos;
      std::string prefix = relative.substr(0, last ? relative.size() : slash);
      if (last || !plain_folders.count(prefix)) {
        struct stat info;
        if (lstat((target_root + "/" + prefix).c_str(), &info) == 0) {
          if (S_ISLNK(info.st_mode)) return true;
          if (!last && S_ISDIR(info.st_mode)) plain_folders.insert(prefix);
        }
      }
      if (last) break;
      pos = slash + 1;
    }
    return false;
  }

  // Records a problem; the status is the gravest met so far (damage, then a
  // file that could not be written, then a missing or wrong password).
  void Problem(const std::string& line, int status) {
    result->problems.push_back(line);
    auto rank = [](int code) {
      return code == kExitDamaged ? 3 : code == kExitIo ? 2 : code == kExitPassword ? 1 : 0;
    };
    if (rank(status) > rank(result->status)) result->status = status;
  }

  // Decodes the entry standing at its first data byte into `out`.
  EntryStatus Decode(const EntryView& e, HANDLE out) {
    g_Setup.OutFile = out;
    g_Setup.RunningCrc = decode::kCrcStart;
    g_Setup.CompressedLeft = static_cast<i32>(e.compressed - (e.encrypted() ? archive::kEncryptionHeaderSize : 0));
    g_Setup.Inflate.WriteFailed = false;
    if (e.method == archive::kMethodStored) decode::CopyStoredEntry();
    else decode::InflateEntry();
    if (g_Setup.Inflate.WriteFailed) return EntryStatus::WriteFailed;
    return (g_Setup.RunningCrc ^ decode::kCrcStart) == e.crc ? EntryStatus::Ok : EntryStatus::BadData;
  }

  // The encryption header check; true when the entry may be decoded.
  EntryStatus CheckPassword(const EntryView& e) {
    u8 block[2 * archive::kEncryptionHeaderSize] = {};
    DWORD got = 0;
    ReadFile(g_Setup.PackageFile, block, archive::kEncryptionHeaderSize, &got, nullptr);
    std::memcpy(block + archive::kEncryptionHeaderSize, block, archive::kEncryptionHeaderSize);
    if (request.password.empty()) return EntryStatus::NoPassword;
    u32 time_date = static_cast<u32>(e.dos_time) | (static_cast<u32>(e.dos_date) << 16);
    return zipcrypt::CheckEncryptionHeader(block, archive::kEncryptionHeaderSize, e.flags, e.crc, time_date,
                                           request.password.c_str())
               ? EntryStatus::Ok
               : EntryStatus::WrongPassword;
  }

  EntryStatus Extract(const EntryView& e, std::string* message) {
    std::string relative = request.page.ToUtf8(e.name);
    std::replace(relative.begin(), relative.end(), '\\', '/');
    while (!relative.empty() && relative.back() == '/') relative.pop_back();
    if (PassesLink(relative)) {
      *message = "the path passes a symbolic link below " + target_root + "; nothing written";
      return EntryStatus::LinkInPath;
    }
    std::string windows = OnDrive(kTargetDrive, "/" + relative);
    if (e.directory()) {
      archive::MakeDirectories(windows.c_str(), nullptr);
      struct stat info;
      if (stat((target_root + "/" + relative).c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) {
        *message = "cannot create the folder " + target_root + "/" + relative;
        return EntryStatus::CannotCreate;
      }
      return EntryStatus::Ok;
    }
    char folder[startup::kPathSize];
    archive::PathDirectory(windows.c_str(), folder, sizeof folder);
    archive::MakeDirectories(folder, nullptr);
    std::string host = target_root + "/" + relative;
    HANDLE out = CreateFileA(windows.c_str(), GENERIC_WRITE, FILE_SHARE_WRITE, nullptr, CREATE_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
    if (out == INVALID_HANDLE_VALUE) {
      *message = "cannot create " + host;
      return EntryStatus::CannotCreate;
    }
    EntryStatus status = Decode(e, out);
    CloseHandle(out);
    if (status != EntryStatus::Ok) {
      unlink(host.c_str());  // a damaged or short file is not left behind
      return status;
    }
    std::int64_t when = FromDosTime({e.dos_time, e.dos_date});
    if (when >= 0) {
      timespec times[2];
      times[0].tv_sec = times[1].tv_sec = static_cast<time_t>(when);
      times[0].tv_nsec = times[1].tv_nsec = 0;
      utimensat(AT_FDCWD, host.c_str(), times, 0);
    }
    return EntryStatus::Ok;
  }

  std::string Describe(const EntryView& e, EntryStatus status) {
    std::string name = Quote(request.page.ToUtf8(e.name));
    switch (status) {
      case EntryStatus::Ok: return "";
      case EntryStatus::NoPassword: return name + " is encrypted; give --password or --password-file";
      case EntryStatus::WrongPassword: return name + ": wrong password";
      case EntryStatus::UnknownMethod:
        return name + ": compression method " + std::to_string(e.method) +
               " (the installer stops with \"" + ui::kTextUnknownMethod + "\")";
      case EntryStatus::BadData:
        return name + ": the data are damaged: the CRC-32 does not match " + Hex32(e.crc) +
               " (the installer stops with \"" + ui::kTextExtractError + "\")";
      case EntryStatus::WriteFailed: return name + ": a write failed (is the disk full?)";
      case EntryStatus::CannotCreate:
      case EntryStatus::LinkInPath: return name;
    }
    return name;
  }

  void Entry(const EntryView& e) {
    EntryResult r;
    r.entry = e;
    if (request.mode != ReadMode::List) {
      // A directory entry only makes its folder: no password is asked for it.
      if (e.encrypted() && !e.directory()) r.status = CheckPassword(e);
      if (r.status == EntryStatus::Ok && !e.directory()) {
        if (e.method != archive::kMethodStored && e.method != archive::kMethodDeflated)
          r.status = EntryStatus::UnknownMethod;
      }
      std::string detail;
      if (r.status == EntryStatus::Ok) {
        if (request.mode == ReadMode::Extract) r.status = Extract(e, &detail);
        else if (!e.directory()) r.status = Decode(e, sink);
      }
      r.message = Describe(e, r.status);
      if (!detail.empty()) r.message += ": " + detail;
      switch (r.status) {
        case EntryStatus::Ok: break;
        case EntryStatus::NoPassword: ++not_checked; break;
        case EntryStatus::WrongPassword: Problem(r.message, kExitPassword); break;
        case EntryStatus::CannotCreate:
        case EntryStatus::WriteFailed:
        case EntryStatus::LinkInPath: Problem(r.message, kExitIo); break;
        default: Problem(r.message, kExitDamaged); break;
      }
    }
    if (request.on_entry) request.on_entry(r);
    result->entries.push_back(std::move(r));
  }

  // The walk of the installer's ExtractArchive: header, name, confinement,
  // then the entry, then the next header behind its compressed size.
  void Walk(Progress* progress) {
    archive::SeekPackage(static_cast<i32>(result->header.archive_base), archive::kSeekFromStart);
    if (g_Setup.FilePos == -1) {
      result->walk_error = ui::kTextReadingArchive;
      return;
    }
    u8 name_buffer[startup::kNameBufferSize];
    while (archive::ReadNextLocalHeader()) {
      i32 entry_start = g_Setup.FilePos;
      u16 name_length = ReadLe16(g_Setup.LocalHeader + archive::kLhNameLength);
      u16 extra_length = ReadLe16(g_Setup.LocalHeader + archive::kLhExtraLength);
      char name[startup::kNameBufferSize];
      name[0] = '\0';
      bool fits = name_length <= sizeof name_buffer;
      if (fits) {
        DWORD got = 0;
        ReadFile(g_Setup.PackageFile, name_buffer, name_length, &got, nullptr);
        fits = archive::BufferToString(name_buffer, name_length, name, sizeof name) >= 0;
      }
      if (!fits || !archive::IsSafeEntryName(name)) {
        result->walk_error = ui::kTextInvalidName;
        result->walk_end = static_cast<std::uint32_t>(entry_start);
        std::string shown = fits ? Quote(request.page.ToUtf8(name)) : "a name of " + std::to_string(name_length) + " bytes";
        Problem("the entry at offset " + std::to_string(entry_start) + " (" + shown +
                    ") has a name the installer refuses: it stops with \"" + ui::kTextInvalidName + "\"",
                kExitDamaged);
        return;
      }
      EntryView e = ViewOfHeader(static_cast<std::uint32_t>(entry_start), name);
      // 32-bit sums, as the installer forms them: a compressed size that carries
      // the next position past 4 GiB would send the walk back to an earlier header.
      u32 data_start = static_cast<u32>(entry_start) + archive::kLocalHeaderSize + name_length + extra_length;
      u32 next_header = data_start + e.compressed;
      if (next_header < data_start) {
        result->walk_error = ui::kTextExtractError;
        result->walk_end = static_cast<std::uint32_t>(entry_start);
        Problem("the entry at offset " + std::to_string(entry_start) + " claims " + std::to_string(e.compressed) +
                    " compressed bytes, past the 4 GiB the installer can address: it stops with \"" +
                    ui::kTextExtractError + "\"",
                kExitDamaged);
        return;
      }
      archive::SeekPackage(static_cast<i32>(data_start), archive::kSeekFromStart);
      Entry(e);
      if (progress) progress->Update(next_header, result->header.file_size, request.page.ToUtf8(name));
      archive::SeekPackage(static_cast<i32>(next_header), archive::kSeekFromStart);
    }
    // Where a well-formed walk ends: the central directory, the end record of an
    // archive without entries, or the package's trailer marker.
    const u8* stop = g_Setup.LocalHeader;
    u32 signature = ReadLe32(stop);
    result->walk_reached_end = signature == archive::kCentralSignature || signature == archive::kEndRecordSignature ||
                               (stop[0] == 'Q' && stop[1] == 'W' && stop[2] == 'J');
    result->walk_end = static_cast<std::uint32_t>(g_Setup.FilePos);
  }
};

}  // namespace

bool ReadPackage(const ReadRequest& request, ReadResult* result) {
  *result = ReadResult{};
  std::string host = AbsolutePath(request.package_path);
  if (host.find('\\') != std::string::npos) {
    result->problems.push_back("cannot read a package whose path holds a '\\': " + request.package_path);
    result->status = kExitIo;
    return false;
  }
  int probe = open(host.c_str(), O_RDONLY);
  if (probe < 0) {
    result->problems.push_back("cannot open " + request.package_path + ": " + std::strerror(errno));
    result->status = kExitIo;
    return false;
  }
  close(probe);

  Session session;
  g_Setup.PackageFile = CreateFileA(OnDrive(kPackageDrive, host).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (g_Setup.PackageFile == INVALID_HANDLE_VALUE) {
    result->problems.push_back("cannot open " + request.package_path);
    result->status = kExitIo;
    return false;
  }
  Walker walker{request, result, "", INVALID_HANDLE_VALUE, 0, {}};
  ReadHeader(&result->header);
  HeaderView& header = result->header;
  if (!header.has_header) {
    walker.Problem("no package header (\"KZB\" at offset " + std::to_string(startup::kStubSize) +
                       "): not a Pellmor package",
                   kExitDamaged);
    return true;
  }
  if (!header.texts_read || !header.size_check_passed)
    walker.Problem("the integrity check fails: the installer shows \"" + std::string(ui::kTextBadSize) +
                       "\" and stops",
                   kExitDamaged);
  if (!header.texts_read) return true;
  if (g_Setup.PackageFile == INVALID_HANDLE_VALUE) {
    // The check closed the file before ending the program; reopen it to show what it holds.
    g_Setup.PackageFile = CreateFileA(OnDrive(kPackageDrive, host).c_str(), GENERIC_READ, FILE_SHARE_READ,
                                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (g_Setup.PackageFile == INVALID_HANDLE_VALUE) return true;
  }
  if (header.archive_base > INT32_MAX) {
    walker.Problem("the archive would begin beyond 2 GiB, where the installer cannot seek", kExitDamaged);
    return true;
  }

  if (request.mode == ReadMode::Extract) {
    walker.target_root = AbsolutePath(request.extract_dir);
    while (walker.target_root.size() > 1 && walker.target_root.back() == '/') walker.target_root.pop_back();
    for (std::size_t pos = 1; pos <= walker.target_root.size(); ++pos) {
      if (pos == walker.target_root.size() || walker.target_root[pos] == '/')
        mkdir(walker.target_root.substr(0, pos).c_str(), 0755);
    }
    struct stat info;
    if (stat(walker.target_root.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) {
      walker.Problem("cannot create the folder " + request.extract_dir, kExitIo);
      return true;
    }
    if (walker.target_root.find('\\') != std::string::npos) {
      walker.Problem("cannot extract into a folder whose path holds a '\\': " + request.extract_dir, kExitIo);
      return true;
    }
    standin::SetDriveRoot(kTargetDrive, walker.target_root);
  } else if (request.mode == ReadMode::Test) {
    walker.sink = CreateFileA(OnDrive(kPackageDrive, "/dev/null").c_str(), GENERIC_WRITE, FILE_SHARE_WRITE,
                              nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (walker.sink == INVALID_HANDLE_VALUE) {
      walker.Problem("cannot open /dev/null", kExitIo);
      return true;
    }
  }

  {
    const char* verb = request.mode == ReadMode::Extract ? "extracting" : "testing";
    Progress progress(verb, request.show_progress && request.mode != ReadMode::List);
    walker.Walk(&progress);
  }
  if (walker.sink != INVALID_HANDLE_VALUE) CloseHandle(walker.sink);
  ReadEndRecord(host, header.archive_base, result);

  if (result->walk_error == ui::kTextReadingArchive)
    walker.Problem(std::string("the installer cannot reach the archive: \"") + ui::kTextReadingArchive + "\"",
                   kExitDamaged);
  if (result->walk_error.empty()) {
    if (result->entries.empty())
      walker.Problem(std::string("the archive holds no entry the installer can find: it reports \"") +
                         ui::kTextExtractError + "\"",
                     kExitDamaged);
    bool count_differs = result->end_record_entries >= 0 &&
                         static_cast<std::size_t>(result->end_record_entries) != result->entries.size();
    bool place_differs = result->central_offset >= 0 && result->central_offset != result->walk_end;
    if (!result->walk_reached_end)
      walker.Problem("the installer's walk over the local headers stops at offset " +
                         std::to_string(result->walk_end) + " after " + std::to_string(result->entries.size()) +
                         " entries, on bytes that begin neither an entry nor the archive's directory (sizes left "
                         "to data descriptors, or damage): it reports \"" + ui::kTextExtractError + "\"",
                     kExitDamaged);
    else if (count_differs || place_differs)
      walker.Problem("the installer's walk finds " + std::to_string(result->entries.size()) +
                         " entries ending at offset " + std::to_string(result->walk_end) +
                         ", but the archive's directory lists " + std::to_string(result->end_record_entries) +
                         " entries at offset " + std::to_string(result->central_offset),
                     kExitDamaged);
  }
  if (request.mode == ReadMode::Test && result->walk_error.empty()) {
    std::vector<std::string> files;
    for (const EntryResult& r : result->entries)
      if (!r.entry.directory()) files.push_back(r.entry.name);
    std::string why;
    if (!CheckInfField(header.inf, files, &why))
      walker.Problem("the INF field " + Quote(request.page.ToUtf8(header.inf)) +
                         " names no file of the package: the setup engine would not find its INF file",
                     kExitDamaged);
  }
  if (walker.not_checked > 0)
    walker.Problem(std::to_string(walker.not_checked) + (walker.not_checked == 1 ? " entry is" : " entries are") +
                       " encrypted and " + (request.mode == ReadMode::Extract ? "not extracted" : "not checked") +
                       ": give --password or --password-file",
                   kExitPassword);
  return true;
}

}  // namespace packer
