// Running the stored copy and the inflate decoder as extraction does: the entry's
// data in a file on drive C: (after an optional prefix, where PackageFile stands),
// OutFile created fresh, CompressedLeft and RunningCrc set, the flags of
// LocalHeader saying whether to decipher.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "archive/zip_format.h"
#include "decode/crc32.h"
#include "decode/inflate.h"
#include "decode/stored_copy.h"
#include "platform/win32.h"
#include "startup/setup_state.h"
#include "support/test_env.h"

namespace decodetest {

using startup::g_Setup;

struct Outcome {
  std::string output;         // what OutFile holds afterwards
  std::uint32_t crc;          // RunningCrc, finished (XOR all ones)
  bool write_failed;          // g_Setup.Inflate.WriteFailed
  std::int32_t compressed_left;
};

enum class Method { Stored, Deflated };

// `data` is the entry's data as stored (already encrypted when `encrypted`; the
// caller has set CipherKeys). CompressedLeft is data.size() unless given.
constexpr long long kWholeData = -(1LL << 40);
inline Outcome RunEntry(const std::string& host_root, Method method, const std::string& data,
                        bool encrypted = false, long long compressed_left = kWholeData,
                        const std::string& prefix = "") {
  testenv::WriteHostFile(host_root + "/entry.bin", prefix + data);
  g_Setup.PackageFile = CreateFileA("C:\\entry.bin", GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
  EXPECT_NE(g_Setup.PackageFile, INVALID_HANDLE_VALUE);
  SetFilePointer(g_Setup.PackageFile, static_cast<LONG>(prefix.size()), nullptr, FILE_BEGIN);
  g_Setup.OutFile = CreateFileA("C:\\out.bin", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                nullptr);
  EXPECT_NE(g_Setup.OutFile, INVALID_HANDLE_VALUE);
  u16 flags = encrypted ? archive::kFlagEncrypted : 0;
  g_Setup.LocalHeader[archive::kLhFlags] = static_cast<u8>(flags);
  g_Setup.LocalHeader[archive::kLhFlags + 1] = static_cast<u8>(flags >> 8);
  g_Setup.CompressedLeft = static_cast<i32>(compressed_left == kWholeData ? static_cast<long long>(data.size()) : compressed_left);
  g_Setup.RunningCrc = decode::kCrcStart;
  if (method == Method::Stored)
    decode::CopyStoredEntry();
  else
    decode::InflateEntry();
  CloseHandle(g_Setup.OutFile);
  CloseHandle(g_Setup.PackageFile);
  g_Setup.OutFile = nullptr;
  g_Setup.PackageFile = nullptr;
  return {testenv::ReadHostFile(host_root + "/out.bin"), g_Setup.RunningCrc ^ decode::kCrcStart,
          g_Setup.Inflate.WriteFailed, g_Setup.CompressedLeft};
}

inline Outcome Inflate(const std::string& host_root, const std::string& stream) {
  return RunEntry(host_root, Method::Deflated, stream);
}

}  // namespace decodetest
