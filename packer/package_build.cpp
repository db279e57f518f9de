// The build: options and package.ini, the source folder, the texts, the checks
// that keep out what the installer would refuse, compression (one libdeflate
// compressor per thread, each entry stored instead when deflating does not make
// it smaller), the package writer, and the temporary file that becomes the
// output only after the installer's reading code has passed it.
#include "packer/package_build.h"

#include <fcntl.h>
#include <libdeflate.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fstream>
#include <mutex>
#include <random>
#include <sstream>
#include <thread>

#include "packer/codepage.h"
#include "packer/config_ini.h"
#include "packer/dos_time.h"
#include "packer/entry_rules.h"
#include "packer/package_reader.h"
#include "packer/package_writer.h"
#include "packer/progress.h"
#include "packer/source_tree.h"
#include "packer/stub_locate.h"

namespace packer {
namespace {

// The installer keeps file positions and sizes in signed 32-bit numbers: a
// package must stay below 2 GiB.
constexpr std::uint64_t kLargestPackage = 0x7FFFFFFF;
// Entries carry 32-bit sizes; the inputs together are refused above this
// before any is read.
constexpr std::uint64_t kLargestInput = 0xFFFFFFFFull;
// The password dialog's edit field holds at most 79 characters.
constexpr std::size_t kLongestPassword = 79;
constexpr std::size_t kLongestHeaderText = 255;
// ZIP record sizes without their names: local header, central directory
// header, end record; and the encryption header in front of encrypted data.
constexpr std::uint64_t kLocalHeaderBytes = 30;
constexpr std::uint64_t kCentralHeaderBytes = 46;
constexpr std::uint64_t kEndRecordBytes = 22;
constexpr std::uint64_t kEncryptionHeaderBytes = 12;

Failure Refuse(const std::string& message) { return {kExitRefused, message}; }
Failure Usage(const std::string& message) { return {kExitUsage, message}; }
Failure Io(const std::string& message) { return {kExitIo, message}; }

std::string JoinPath(const std::string& base, const std::string& path) {
  if (base.empty() || path.empty() || path[0] == '/') return path;
  return base + "/" + path;
}

// Reads a whole file into `out` (std::string or Bytes) with one buffer and no copy.
template <typename Buffer>
bool ReadWholeFile(const std::string& path, Buffer* out, std::string* error) {
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  struct stat info;
  if (fd < 0 || fstat(fd, &info) != 0) {
    *error = "cannot read " + path + ": " + std::strerror(errno);
    if (fd >= 0) close(fd);
    return false;
  }
  out->resize(static_cast<std::size_t>(info.st_size));
  std::size_t done = 0;
  for (;;) {
    if (done == out->size()) out->resize(done + 65536);  // the file grew, or is no regular file
    ssize_t got = read(fd, &(*out)[done], out->size() - done);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) {
      *error = "cannot read " + path + ": " + std::strerror(errno);
      close(fd);
      return false;
    }
    if (got == 0) break;
    done += static_cast<std::size_t>(got);
  }
  out->resize(done);
  close(fd);
  return true;
}

bool ParseBool(const std::string& value, bool* out) {
  std::string v;
  for (char c : value) v.push_back(static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c));
  if (v == "" || v == "1" || v == "yes" || v == "true" || v == "on") *out = true;
  else if (v == "0" || v == "no" || v == "false" || v == "off") *out = false;
  else return false;
  return true;
}

// Removes the temporary package when the build is interrupted: the signal
// handler may only call async-signal-safe functions, so the path is kept in a
// fixed buffer.
char g_temp_path[4096];
volatile std::sig_atomic_t g_temp_live = 0;

extern "C" void RemoveTempOnSignal(int signal_number) {
  if (g_temp_live) unlink(g_temp_path);
  std::signal(signal_number, SIG_DFL);
  std::raise(signal_number);
}

class TempFile {
 public:
  explicit TempFile(const std::string& output) {
    std::size_t slash = output.rfind('/');
    std::string dir = slash == std::string::npos ? "." : output.substr(0, slash == 0 ? 1 : slash);
    std::string base = slash == std::string::npos ? output : output.substr(slash + 1);
    path_ = dir + "/." + base + ".XXXXXX";
    if (path_.size() >= sizeof g_temp_path) {
      path_.clear();
      return;
    }
    fd_ = mkstemp(&path_[0]);
    if (fd_ < 0) return;
    std::memcpy(g_temp_path, path_.c_str(), path_.size() + 1);
    g_temp_live = 1;
    std::signal(SIGINT, RemoveTempOnSignal);
    std::signal(SIGTERM, RemoveTempOnSignal);
    std::signal(SIGHUP, RemoveTempOnSignal);
  }
  ~TempFile() {
    if (fd_ >= 0) close(fd_);
    if (g_temp_live) unlink(path_.c_str());
    g_temp_live = 0;
  }
  bool ok() const { return fd_ >= 0; }
  const std::string& path() const { return path_; }

  bool Write(const Bytes& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
      ssize_t put = ::write(fd_, bytes.data() + done, bytes.size() - done);
      if (put < 0 && errno == EINTR) continue;
      if (put <= 0) return false;
      done += static_cast<std::size_t>(put);
    }
    mode_t mask = umask(0);
    umask(mask);
    if (fchmod(fd_, 0777 & ~mask) != 0) return false;
    if (fsync(fd_) != 0) return false;
    int fd = fd_;
    fd_ = -1;
    return close(fd) == 0;
  }

  bool RenameTo(const std::string& output) {
    if (rename(path_.c_str(), output.c_str()) != 0) return false;
    g_temp_live = 0;
    return true;
  }

 private:
  std::string path_;
  int fd_ = -1;
};

struct Texts {
  PackageFields fields;
  std::string password;  // code-page bytes
};

Failure TextField(const std::optional<std::string>& value, const CodePage& page, TextKind kind,
                  const std::string& field, std::size_t limit, std::string* out) {
  if (!value) return {};
  std::string error;
  if (!ToCodePage(*value, page, kind, field, out, &error)) return Refuse(error);
  if (out->size() > limit)
    return Refuse(field + " is " + std::to_string(out->size()) + " bytes in code page " +
                  std::to_string(page.number()) + "; the package header holds at most " + std::to_string(limit));
  return {};
}

Failure TextFile(const std::optional<std::string>& path, const CodePage& page, const std::string& option,
                 std::string* out) {
  if (!path) return {};
  std::string text, error;
  if (!ReadWholeFile(*path, &text, &error)) return Io(option + ": " + error);
  if (!ToCodePage(text, page, TextKind::Paragraphs, option + " (" + *path + ")", out, &error)) return Refuse(error);
  if (out->size() > kLargestPackage) return Refuse(option + " (" + *path + ") is larger than a package can be");
  return {};
}

Failure PrepareTexts(const BuildOptions& o, const CodePage& page, const BuildContext& context, Texts* t) {
  Failure f;
  if ((f = TextField(o.title, page, TextKind::Line, "--title", kLongestHeaderText, &t->fields.title)).code) return f;
  if ((f = TextField(o.info, page, TextKind::Paragraphs, "--info", kLongestHeaderText, &t->fields.info)).code)
    return f;
  if ((f = TextFile(o.welcome_file, page, "--welcome", &t->fields.welcome)).code) return f;
  if ((f = TextFile(o.licence_file, page, "--licence", &t->fields.licence)).code) return f;
  std::string error;
  if (o.extra_file && !ReadWholeFile(*o.extra_file, &t->fields.extra, &error)) return Io("--extra: " + error);
  t->fields.keep_open = o.keep_open ? 1 : 0;
  t->fields.needs_admin = o.needs_admin ? 1 : 0;

  if (o.password && o.password_file) return Usage("give --password or --password-file, not both");
  std::optional<std::string> password = o.password;
  if (o.password_file) {
    std::string text, error;
    if (!ReadWholeFile(*o.password_file, &text, &error)) return Io("--password-file: " + error);
    text = text.substr(0, text.find('\n'));
    if (!text.empty() && text.back() == '\r') text.pop_back();
    password = text;
  }
  if (password) {
    if (password->empty()) return Refuse("the password is empty; the installer accepts no empty password");
    if (!ToCodePage(*password, page, TextKind::Line, "the password", &t->password, &error)) return Refuse(error);
    if (t->password.size() > kLongestPassword)
      return Refuse("the password is " + std::to_string(t->password.size()) +
                    " bytes; the installer's password field takes at most " + std::to_string(kLongestPassword));
    if (context.warn)
      context.warn("ZipCrypto, the traditional ZIP encryption, is weak: it keeps out the casual reader, not a "
                   "determined attacker");
  }
  return {};
}

Failure LoadStub(const BuildOptions& o, const BuildContext& context, Bytes* stub) {
  std::string path;
  if (o.stub) {
    path = *o.stub;
  } else {
    auto candidates = StubCandidates(o.stub_arch, o.needs_admin, context.stub_dir_env, context.exe_dir,
                                     context.built_from);
    path = FindStub(candidates);
    if (path.empty()) {
      std::string list;
      for (const std::string& c : candidates) list += "\n  " + c;
      return Io("no installer stub " + StubFileName(o.needs_admin) + " for " + o.stub_arch +
                " was found (build it with cmake --preset " + o.stub_arch + ", set PELLMOR_STUB_DIR, or give "
                "--stub FILE); looked at:" + list);
    }
  }
  std::string bytes, error;
  if (!ReadWholeFile(path, &bytes, &error)) return Io("--stub: " + error);
  if (bytes.size() > kStubSize)
    return Refuse("the stub " + path + " is " + std::to_string(bytes.size()) + " bytes, more than " +
                  std::to_string(kStubSize) + ": the package header must stand at offset " +
                  std::to_string(kStubSize));
  if (bytes.compare(0, 2, "MZ") != 0 && context.warn)
    context.warn("the stub " + path + " does not begin with \"MZ\": the package will not run on Windows");
  stub->assign(bytes.begin(), bytes.end());
  return {};
}

struct Planned {
  SourceItem item;
  std::string stored;  // name in the code page
};

Failure PlanEntries(const std::vector<SourceItem>& items, const CodePage& page, const BuildContext& context,
                    std::vector<Planned>* plan) {
  if (items.empty()) return Refuse("the source folder holds no file: the installer would have nothing to install");
  if (items.size() > kMostEntries)
    return Refuse("the source folder holds " + std::to_string(items.size()) + " files and folders; a package holds at most " +
                  std::to_string(kMostEntries));
  std::vector<std::string> names;
  std::uint64_t total = 0;
  for (const SourceItem& item : items) {
    Planned p{item, ""};
    std::string error;
    if (!StoredEntryName(item.relative, page, &p.stored, &error)) return Refuse(error);
    if (p.stored.size() > kLongNameWarning && context.warn)
      context.warn("the file name \"" + item.relative + "\" is " + std::to_string(p.stored.size()) +
                   " bytes: with the working directory in front it may pass the 259 characters of a Windows path");
    if (item.size > 0xFFFFFFFFull)
      return Refuse("the file " + item.host_path + " is 4 GiB or larger; an entry holds less");
    total += item.size;
    names.push_back(item.relative);
    plan->push_back(std::move(p));
  }
  if (total > kLargestInput)
    return Refuse("the files add up to " + std::to_string(total) +
                  " bytes, more than 4 GiB; a package must stay below 2 GiB");
  std::string error;
  if (!CheckNameClashes(names, &error)) return Refuse(error);
  return {};
}

Failure PrepareInf(const BuildOptions& o, const CodePage& page, const std::vector<Planned>& plan, std::string* inf) {
  std::vector<std::string> files;
  for (const Planned& p : plan)
    if (!p.item.directory) files.push_back(p.stored);
  std::string error;
  if (!o.inf) {
    if (!DefaultInfField(files, inf, &error)) return Refuse(error);
    return {};
  }
  Failure f = TextField(o.inf, page, TextKind::Line, "--inf", kLongestHeaderText, inf);
  if (f.code) return f;
  if (!CheckInfField(*inf, files, &error)) return Refuse(error);
  return {};
}

// Reads and compresses every file, one compressor per thread.
Failure Compress(const std::vector<Planned>& plan, const BuildOptions& o, const BuildContext& context,
                 const std::string& password, std::vector<ArchiveEntry>* entries) {
  entries->resize(plan.size());
  std::uint64_t total = 0;
  for (const Planned& p : plan) total += p.item.size;
  std::atomic<std::size_t> next{0};
  std::atomic<std::uint64_t> done{0};
  std::atomic<bool> failed{false};
  std::mutex error_lock;
  std::string first_error;
  Progress progress("packing", context.show_progress);

  auto work = [&]() {
    libdeflate_compressor* compressor = o.level > 0 ? libdeflate_alloc_compressor(o.level) : nullptr;
    for (std::size_t i; !failed && (i = next++) < plan.size();) {
      const Planned& p = plan[i];
      ArchiveEntry& e = (*entries)[i];
      e.name = p.stored;
      DosTime dos = context.source_date_epoch ? ToDosTime(*context.source_date_epoch, true)
                                              : ToDosTime(p.item.mtime, false);
      e.dos_time = dos.time;
      e.dos_date = dos.date;
      e.level = 0;
      if (p.item.directory) continue;
      e.password = password;
      std::string error;
      if (!ReadWholeFile(p.item.host_path, &e.data, &error)) {
        std::lock_guard<std::mutex> guard(error_lock);
        if (!failed.exchange(true)) first_error = error;
        break;
      }
      if (compressor && !e.data.empty()) {
        Bytes packed(libdeflate_deflate_compress_bound(compressor, e.data.size()));
        std::size_t n = libdeflate_deflate_compress(compressor, e.data.data(), e.data.size(), packed.data(),
                                                    packed.size());
        if (n > 0 && n < e.data.size()) {
          packed.resize(n);
          packed.shrink_to_fit();
          e.raw_data = std::move(packed);
          e.level = o.level;
        }
      }
      progress.Update(done += e.data.size(), total, p.item.relative);
    }
    if (compressor) libdeflate_free_compressor(compressor);
  };

  unsigned threads = context.threads ? context.threads : std::thread::hardware_concurrency();
  if (threads == 0) threads = 1;
  if (threads > plan.size()) threads = static_cast<unsigned>(plan.size());
  std::vector<std::thread> pool;
  for (unsigned t = 1; t < threads; ++t) pool.emplace_back(work);
  work();
  for (std::thread& t : pool) t.join();
  progress.Finish();
  if (failed) return Io(first_error);
  return {};
}

Failure WriteAndVerify(const Bytes& package, const BuildOptions& o, const BuildContext& context,
                       const std::string& password) {
  struct stat info;
  if (stat(o.output.c_str(), &info) == 0 && S_ISDIR(info.st_mode))
    return Io("the output " + o.output + " is a folder");
  // Missing folders on the way to the output are made (a package.ini may send
  // its package to a build folder that a fresh checkout lacks).
  for (std::size_t slash = o.output.find('/', 1); slash != std::string::npos; slash = o.output.find('/', slash + 1))
    mkdir(o.output.substr(0, slash).c_str(), 0777);
  TempFile temp(o.output);
  if (!temp.ok()) return Io("cannot create a file beside " + o.output + ": " + std::strerror(errno));
  if (!temp.Write(package)) return Io("cannot write " + temp.path() + ": " + std::strerror(errno));
  if (o.verify) {
    ReadRequest request;
    request.mode = ReadMode::Test;
    request.package_path = temp.path();
    request.password = password;
    request.show_progress = context.show_progress;
    std::string ignored;
    CodePage::Open(o.codepage, &request.page, &ignored);  // opened once already: it cannot fail
    ReadResult result;
    ReadPackage(request, &result);
    if (!result.problems.empty())
      return {kExitDamaged, "the package fails the installer's checks, so it was not written: " + result.problems[0]};
  }
  if (!temp.RenameTo(o.output)) return Io("cannot rename " + temp.path() + " to " + o.output + ": " + std::strerror(errno));
  return {};
}

}  // namespace

const std::vector<std::string>& BuildOptionKeys() {
  static const std::vector<std::string> keys = {
      "source", "output", "title", "inf", "welcome", "licence", "info", "keep-open", "needs-admin", "password",
      "password-file", "level", "stub", "stub-arch", "extra", "codepage", "exclude", "verify"};
  return keys;
}

bool SetBuildOption(BuildOptions* o, const std::string& key_in, const std::string& value, const std::string& base_dir,
                    std::string* error) {
  std::string key = key_in == "license" ? "licence" : key_in;
  auto path = [&] { return JoinPath(base_dir, value); };
  auto flag = [&](bool* out) {
    if (ParseBool(value, out)) return true;
    *error = key + ": \"" + value + "\" is not yes or no";
    return false;
  };
  if (key == "source") o->source = path();
  else if (key == "output") o->output = path();
  else if (key == "title") o->title = value;
  else if (key == "inf") o->inf = value;
  else if (key == "info") o->info = value;
  else if (key == "welcome") o->welcome_file = path();
  else if (key == "licence") o->licence_file = path();
  else if (key == "extra") o->extra_file = path();
  else if (key == "password") o->password = value;
  else if (key == "password-file") o->password_file = path();
  else if (key == "stub") o->stub = path();
  else if (key == "codepage") o->codepage = value;
  else if (key == "exclude") {
    std::istringstream words(value);  // several patterns, separated by blanks
    for (std::string word; words >> word;) o->exclude.push_back(word);
  }
  else if (key == "keep-open") return flag(&o->keep_open);
  else if (key == "needs-admin") return flag(&o->needs_admin);
  else if (key == "verify") return flag(&o->verify);
  else if (key == "stub-arch") {
    if (value != "win32" && value != "win64") {
      *error = "stub-arch: \"" + value + "\" is neither win32 nor win64";
      return false;
    }
    o->stub_arch = value;
  } else if (key == "level") {
    bool digits = !value.empty() && value.size() <= 2 && value.find_first_not_of("0123456789") == std::string::npos;
    int level = digits ? std::stoi(value) : -1;
    if (level < 0 || level > 12) {
      *error = "level: \"" + value + "\" is not a number from 0 (store) to 12";
      return false;
    }
    o->level = level;
  } else {
    *error = "unknown option \"" + key + "\"";
    return false;
  }
  return true;
}

Failure LoadBuildConfig(const std::string& ini_path, BuildOptions* options) {
  std::string text, error;
  if (!ReadWholeFile(ini_path, &text, &error)) return Io("--config: " + error);
  std::vector<IniSetting> settings;
  if (!ParseIni(text, ini_path, &settings, &error)) return Usage(error);
  std::size_t slash = ini_path.rfind('/');
  std::string base = slash == std::string::npos ? "." : ini_path.substr(0, slash == 0 ? 1 : slash);
  for (const IniSetting& s : settings)
    if (!SetBuildOption(options, s.key, s.value, base, &error))
      return Usage(ini_path + ":" + std::to_string(s.line) + ": " + error);
  return {};
}

bool ParseSourceDateEpoch(const std::string& text, std::int64_t* seconds) {
  if (text.empty() || text.size() > 15 || text.find_first_not_of("0123456789") != std::string::npos) return false;
  *seconds = std::stoll(text);
  return true;
}

Failure Build(const BuildOptions& o, const BuildContext& context) {
  if (o.source.empty()) return Usage("build: no source folder (give SOURCE_DIR or \"source\" in the config)");
  if (o.output.empty()) return Usage("build: no output file (give -o FILE or \"output\" in the config)");
  CodePage page;
  std::string error;
  if (!CodePage::Open(o.codepage, &page, &error)) return Usage(error);

  Texts texts;
  Failure f = PrepareTexts(o, page, context, &texts);
  if (f.code) return f;
  Bytes stub;
  if ((f = LoadStub(o, context, &stub)).code) return f;

  std::vector<SourceItem> items;
  if (!ScanSource(o.source, {o.output}, o.exclude, &items, &error)) return Io(error);
  std::vector<Planned> plan;
  if ((f = PlanEntries(items, page, context, &plan)).code) return f;
  if ((f = PrepareInf(o, page, plan, &texts.fields.inf)).code) return f;

  std::uint64_t texts_size = texts.fields.title.size() + texts.fields.inf.size() + texts.fields.info.size() +
                             texts.fields.welcome.size() + texts.fields.licence.size() + texts.fields.extra.size();
  if (kStubSize + 20 + texts_size > kLargestPackage)
    return Refuse("the texts and extra data alone pass 2 GiB, the largest package the installer reads");

  // Every entry is stored when deflating does not make it smaller, so the stored
  // size bounds the package: exact at level 0, an upper bound otherwise.
  std::uint64_t stored_size = kStubSize + 20 + texts_size + kEndRecordBytes;
  for (const Planned& p : plan)
    stored_size += kLocalHeaderBytes + kCentralHeaderBytes + 2 * p.stored.size() + p.item.size +
                   (texts.password.empty() || p.item.directory ? 0 : kEncryptionHeaderBytes);
  if (o.level == 0 && stored_size > kLargestPackage)
    return Refuse("the package would be " + std::to_string(stored_size) +
                  " bytes; the installer reads packages of at most 2147483647 bytes (2 GiB)");

  std::vector<ArchiveEntry> entries;
  if ((f = Compress(plan, o, context, texts.password, &entries)).code) return f;

  std::uint32_t seed = 1;
  if (!texts.password.empty()) seed = std::random_device{}();  // fresh encryption headers every build
  Bytes archive = BuildArchive(entries, "", seed);
  std::vector<ArchiveEntry>().swap(entries);
  Bytes package;
  if (!BuildPackage(stub, texts.fields, archive, &package, &error)) return Refuse(error);
  Bytes().swap(archive);
  if (package.size() > kLargestPackage)
    return Refuse("the package would be " + std::to_string(package.size()) +
                  " bytes; the installer reads packages of at most 2147483647 bytes (2 GiB)");
  return WriteAndVerify(package, o, context, texts.password);
}

}  // namespace packer
