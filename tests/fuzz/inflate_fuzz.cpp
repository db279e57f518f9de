// Fuzz target: InflateEntry on arbitrary entry data, plain or encrypted. Byte 0
// chooses: bit 0 encrypted (keys from the password "pw", the data deciphered on
// the way), bit 1 a disk of 4 KiB, bit 2 a package that stops delivering half
// way. The rest is the entry's data, behind 7 other bytes of the package.
// Every run must end, free what it allocated, write at most 258 bytes per bit
// of data, and, for plain data that zlib decodes whole, give zlib's bytes and
// CRC-32. (zlib, not libdeflate, is the control: libdeflate accepts some invalid
// streams, such as literal/length symbols 286 and 287. zlib is loaded at run
// time; the fuzz build does not link it.)
#include <dlfcn.h>
#include <libdeflate.h>
#include <zlib.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "archive/zip_format.h"
#include "crypt/zip_crypto.h"
#include "decode/crc32.h"
#include "decode/inflate.h"
#include "fuzz/fuzz_support.h"
#include "platform/posix/standin.h"
#include "platform/win32.h"
#include "startup/setup_state.h"

namespace {

constexpr char kTag[] = "inflate";
constexpr std::size_t kPrefix = 7;
constexpr std::size_t kDisk = 4096;

// zlib's raw inflate, found at run time; false when the stream does not decode
// whole (or zlib is not there).
bool Control(const std::uint8_t* data, std::size_t size, std::string* out) {
  using Init = int (*)(z_streamp, int, const char*, int);
  using Step = int (*)(z_streamp, int);
  using End = int (*)(z_streamp);
  static void* lib = dlopen("libz.so.1", RTLD_NOW | RTLD_LOCAL);
  if (!lib) return false;
  static auto init = reinterpret_cast<Init>(dlsym(lib, "inflateInit2_"));
  static auto step = reinterpret_cast<Step>(dlsym(lib, "inflate"));
  static auto end = reinterpret_cast<End>(dlsym(lib, "inflateEnd"));
  if (!init || !step || !end) return false;
  z_stream z{};
  if (init(&z, -15, ZLIB_VERSION, static_cast<int>(sizeof(z_stream))) != Z_OK) return false;
  z.next_in = const_cast<Bytef*>(data);
  z.avail_in = static_cast<uInt>(size);
  out->clear();
  char buffer[32768];
  int rc;
  do {
    z.next_out = reinterpret_cast<Bytef*>(buffer);
    z.avail_out = sizeof buffer;
    rc = step(&z, Z_NO_FLUSH);
    out->append(buffer, sizeof buffer - z.avail_out);
  } while (rc == Z_OK && out->size() < (1u << 24));
  end(&z);
  return rc == Z_STREAM_END;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using startup::g_Setup;
  if (size < 1) return 0;
  const std::uint8_t mode = data[0];
  const bool encrypted = mode & 1, small_disk = mode & 2, short_reads = mode & 4;
  const std::uint8_t* stream = data + 1;
  const std::size_t stream_size = size - 1;

  fuzzsupport::ResetRun(kTag);
  fuzzsupport::WriteDriveFile(kTag, "entry.bin", stream, stream_size, kPrefix);
  if (small_disk) standin::LimitDiskSpace(kDisk);
  if (short_reads) standin::LimitReads(static_cast<long long>(kPrefix + stream_size / 2));
  g_Setup.PackageFile = CreateFileA("C:\\entry.bin", GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
  SetFilePointer(g_Setup.PackageFile, static_cast<LONG>(kPrefix), nullptr, FILE_BEGIN);
  g_Setup.OutFile =
      CreateFileA("C:\\out.bin", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  g_Setup.LocalHeader[archive::kLhFlags] = encrypted ? archive::kFlagEncrypted : 0;
  if (encrypted) zipcrypt::InitKeys("pw");
  g_Setup.CompressedLeft = static_cast<std::int32_t>(stream_size);
  g_Setup.RunningCrc = decode::kCrcStart;
  long long heap_before = standin::HeapInUse();

  decode::InflateEntry();

  if (standin::HeapInUse() != heap_before) std::abort();
  if (g_Setup.Inflate.InputBuffer || g_Setup.Inflate.SlidingWindow || g_Setup.Inflate.FixedTableList) std::abort();
  CloseHandle(g_Setup.OutFile);
  CloseHandle(g_Setup.PackageFile);
  std::string output = fuzzsupport::ReadDriveFile(kTag, "out.bin");
  std::uint32_t crc = g_Setup.RunningCrc ^ decode::kCrcStart;
  // Never more output than the data can describe: a code is at least one bit.
  if (output.size() > 258 * 8 * stream_size) std::abort();
  if (small_disk && output.size() > kDisk) std::abort();

  if (!encrypted && !small_disk && !short_reads) {
    std::string expected;
    if (Control(stream, stream_size, &expected)) {
      if (output != expected) std::abort();
      std::uint32_t expected_crc = static_cast<std::uint32_t>(libdeflate_crc32(0, expected.data(), expected.size()));
      if (crc != expected_crc) std::abort();
    }
  }
  fuzzsupport::EndRun();
  return 0;
}
