// Throughput of the CRC-32 (UpdateCrc, eight bytes a step; CrcStep, one byte a
// step) and of ZipCrypto deciphering (DecryptBuffer), against zlib's crc32,
// libdeflate's crc32 and memcpy, over the same 1 MiB buffer.
#include <benchmark/benchmark.h>
#include <libdeflate.h>
#include <zlib.h>

#include <cstring>
#include <string>

#include "crypt/zip_crypto.h"
#include "decode/crc32.h"
#include "decode/reference_codecs.h"
#include "platform/memory.h"
#include "startup/setup_state.h"

namespace {

using startup::g_Setup;
constexpr size_t kSize = 1 << 20;

const std::string& Buffer() {
  static std::string data = [] {
    g_Setup.CrcTable = static_cast<u32*>(platform::Alloc(decode::kCrcTableEntries * sizeof(u32)));
    decode::BuildCrcTable();
    return decodetest::MakeData(decodetest::DataKind::Mixed, kSize, 1);
  }();
  return data;
}

void BM_UpdateCrc(benchmark::State& state) {
  const std::string& data = Buffer();
  for (auto _ : state) {
    u32 r = decode::kCrcStart;
    decode::UpdateCrc(reinterpret_cast<const u8*>(data.data()), static_cast<i32>(data.size()), &r);
    benchmark::DoNotOptimize(r);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kSize));
}

void BM_CrcStepBytewise(benchmark::State& state) {
  const std::string& data = Buffer();
  for (auto _ : state) {
    u32 r = decode::kCrcStart;
    for (unsigned char c : data) r = decode::CrcStep(c, r);
    benchmark::DoNotOptimize(r);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kSize));
}

void BM_ZlibCrc32(benchmark::State& state) {
  const std::string& data = Buffer();
  for (auto _ : state) benchmark::DoNotOptimize(decodetest::ZlibCrc(data));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kSize));
}

void BM_LibdeflateCrc32(benchmark::State& state) {
  const std::string& data = Buffer();
  for (auto _ : state) benchmark::DoNotOptimize(libdeflate_crc32(0, data.data(), data.size()));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kSize));
}

void BM_DecryptBuffer(benchmark::State& state) {
  const std::string& data = Buffer();
  std::string work = data;
  zipcrypt::InitKeys("password");
  for (auto _ : state) {
    zipcrypt::DecryptBuffer(reinterpret_cast<u8*>(&work[0]), static_cast<u32>(work.size()));
    benchmark::DoNotOptimize(work.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kSize));
}

void BM_Memcpy(benchmark::State& state) {
  const std::string& data = Buffer();
  std::string out(kSize, '\0');
  for (auto _ : state) {
    std::memcpy(&out[0], data.data(), kSize);
    benchmark::DoNotOptimize(out.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kSize));
}

BENCHMARK(BM_UpdateCrc);
BENCHMARK(BM_CrcStepBytewise);
BENCHMARK(BM_ZlibCrc32);
BENCHMARK(BM_LibdeflateCrc32);
BENCHMARK(BM_DecryptBuffer);
BENCHMARK(BM_Memcpy);

}  // namespace

BENCHMARK_MAIN();
