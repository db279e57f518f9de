// InflateEntry, file to file with its CRC, against zlib's inflate and
// libdeflate on the same raw Deflate streams (zlib level 6 and libdeflate
// level 6 of a text and a mixed binary corpus). The zlib and libdeflate runs do
// the same job: read the stream, decode, write the output in 32 KiB pieces,
// CRC-32 over the output. Memory-only runs of the two show their bare decoders.
// Peak heap of one entry's decoding is reported as a counter.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <libdeflate.h>
#include <stdlib.h>
#include <unistd.h>
#include <zlib.h>

#include <cstring>
#include <string>

#include "bench_corpus.h"
#include "decode/crc32.h"
#include "decode/inflate.h"
#include "decode/reference_codecs.h"
#include "platform/memory.h"
#include "platform/posix/standin.h"
#include "platform/win32.h"
#include "startup/setup_state.h"

namespace {

using startup::g_Setup;

struct Corpus {
  std::string data;
  std::string zlib_stream;
  std::string libdeflate_stream;
};

const Corpus& GetCorpus(int which) {
  static Corpus corpora[2];
  Corpus& c = corpora[which];
  if (c.data.empty()) {
    c.data = which == 0 ? benchcorpus::TextCorpus() : benchcorpus::MixedCorpus();
    c.zlib_stream = decodetest::ZlibRawDeflate(c.data, 6);
    c.libdeflate_stream = decodetest::LibdeflateRaw(c.data, 6);
  }
  return c;
}

const std::string& Root() {
  static std::string root = [] {
    char pattern[] = "/tmp/pellmor-bench-XXXXXX";
    std::string r = mkdtemp(pattern);
    standin::Reset();
    standin::SetDriveRoot('C', r);
    g_Setup.CrcTable = static_cast<u32*>(platform::Alloc(decode::kCrcTableEntries * sizeof(u32)));
    decode::BuildCrcTable();
    return r;
  }();
  return root;
}

void WriteFile(const std::string& path, const std::string& bytes) {
  int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (write(fd, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size())) abort();
  close(fd);
}

// One InflateEntry of the stream in C:\in.bin to C:\out.bin; returns the CRC.
u32 RunInflateEntry(size_t stream_size) {
  g_Setup.PackageFile = CreateFileA("C:\\in.bin", GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
  g_Setup.OutFile = CreateFileA("C:\\out.bin", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                nullptr);
  g_Setup.CompressedLeft = static_cast<i32>(stream_size);
  g_Setup.RunningCrc = decode::kCrcStart;
  decode::InflateEntry();
  CloseHandle(g_Setup.OutFile);
  CloseHandle(g_Setup.PackageFile);
  return g_Setup.RunningCrc ^ decode::kCrcStart;
}

void BM_InflateEntry(benchmark::State& state) {
  const Corpus& c = GetCorpus(static_cast<int>(state.range(0)));
  const std::string& stream = state.range(1) == 0 ? c.zlib_stream : c.libdeflate_stream;
  WriteFile(Root() + "/in.bin", stream);
  u32 expected = decodetest::ZlibCrc(c.data);
  for (auto _ : state) {
    if (RunInflateEntry(stream.size()) != expected) state.SkipWithError("wrong CRC");
  }
  standin::ResetHeapPeak();
  long long before = standin::HeapInUse();
  RunInflateEntry(stream.size());
  state.counters["peak_heap_KiB"] = static_cast<double>(standin::HeapPeak() - before) / 1024.0;
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * c.data.size()));
}

// zlib doing the same job: chunked reads, raw inflate into 32 KiB pieces, a
// write and crc32 per piece.
void BM_ZlibFileToFile(benchmark::State& state) {
  const Corpus& c = GetCorpus(static_cast<int>(state.range(0)));
  const std::string& stream = state.range(1) == 0 ? c.zlib_stream : c.libdeflate_stream;
  std::string in_path = Root() + "/in.bin", out_path = Root() + "/out-zlib.bin";
  WriteFile(in_path, stream);
  u32 expected = decodetest::ZlibCrc(c.data);
  static unsigned char in_buf[32768], out_buf[32768];
  for (auto _ : state) {
    int in = open(in_path.c_str(), O_RDONLY);
    int out = open(out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    z_stream z{};
    inflateInit2(&z, -15);
    uLong crc = crc32(0, nullptr, 0);
    int rc = Z_OK;
    while (rc == Z_OK) {
      if (z.avail_in == 0) {
        ssize_t n = read(in, in_buf, sizeof in_buf);
        if (n <= 0) break;
        z.next_in = in_buf;
        z.avail_in = static_cast<uInt>(n);
      }
      z.next_out = out_buf;
      z.avail_out = sizeof out_buf;
      rc = inflate(&z, Z_NO_FLUSH);
      size_t produced = sizeof out_buf - z.avail_out;
      if (write(out, out_buf, produced) != static_cast<ssize_t>(produced)) abort();
      crc = crc32(crc, out_buf, static_cast<uInt>(produced));
    }
    inflateEnd(&z);
    close(in);
    close(out);
    if (crc != expected) state.SkipWithError("wrong CRC");
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * c.data.size()));
}

// libdeflate doing the same job: it needs the whole stream and the whole output
// in memory, then writes the output in 32 KiB pieces with its own crc32.
void BM_LibdeflateFileToFile(benchmark::State& state) {
  const Corpus& c = GetCorpus(static_cast<int>(state.range(0)));
  const std::string& stream = state.range(1) == 0 ? c.zlib_stream : c.libdeflate_stream;
  std::string in_path = Root() + "/in.bin", out_path = Root() + "/out-ld.bin";
  WriteFile(in_path, stream);
  u32 expected = decodetest::ZlibCrc(c.data);
  libdeflate_decompressor* d = libdeflate_alloc_decompressor();
  std::string in_buf(stream.size(), '\0'), out_buf(c.data.size(), '\0');
  for (auto _ : state) {
    int in = open(in_path.c_str(), O_RDONLY);
    size_t got = 0;
    while (got < in_buf.size()) {
      ssize_t n = read(in, &in_buf[got], in_buf.size() - got);
      if (n <= 0) break;
      got += static_cast<size_t>(n);
    }
    close(in);
    size_t produced = 0;
    libdeflate_deflate_decompress(d, in_buf.data(), got, &out_buf[0], out_buf.size(), &produced);
    int out = open(out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    u32 crc = 0;
    for (size_t at = 0; at < produced; at += 32768) {
      size_t piece = std::min<size_t>(32768, produced - at);
      if (write(out, out_buf.data() + at, piece) != static_cast<ssize_t>(piece)) abort();
      crc = libdeflate_crc32(crc, out_buf.data() + at, piece);
    }
    close(out);
    if (crc != expected) state.SkipWithError("wrong CRC");
  }
  libdeflate_free_decompressor(d);
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * c.data.size()));
}

void BM_ZlibMemory(benchmark::State& state) {
  const Corpus& c = GetCorpus(static_cast<int>(state.range(0)));
  std::string out;
  for (auto _ : state) {
    decodetest::ZlibRawInflate(c.zlib_stream, &out);
    benchmark::DoNotOptimize(out.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * c.data.size()));
}

void BM_LibdeflateMemory(benchmark::State& state) {
  const Corpus& c = GetCorpus(static_cast<int>(state.range(0)));
  libdeflate_decompressor* d = libdeflate_alloc_decompressor();
  std::string out(c.data.size(), '\0');
  for (auto _ : state) {
    libdeflate_deflate_decompress(d, c.zlib_stream.data(), c.zlib_stream.size(), &out[0], out.size(), nullptr);
    benchmark::DoNotOptimize(out.data());
  }
  libdeflate_free_decompressor(d);
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * c.data.size()));
}

// Arguments: corpus (0 text, 1 mixed), stream maker (0 zlib level 6, 1 libdeflate level 6).
void Streams(benchmark::internal::Benchmark* b) {
  b->ArgNames({"mixed", "libdeflate_stream"});
  for (int corpus : {0, 1})
    for (int maker : {0, 1}) b->Args({corpus, maker});
  b->Unit(benchmark::kMillisecond);
}

BENCHMARK(BM_InflateEntry)->Apply(Streams);
BENCHMARK(BM_ZlibFileToFile)->Apply(Streams);
BENCHMARK(BM_LibdeflateFileToFile)->Apply(Streams);
BENCHMARK(BM_ZlibMemory)->ArgName("mixed")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LibdeflateMemory)->ArgName("mixed")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
