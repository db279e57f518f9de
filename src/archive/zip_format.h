// ZIP record layouts as the installer reads them (PKWARE APPNOTE). All numbers are
// little-endian. The local-header signature is never written as one constant: the
// stub's image must hold no run of the bytes 50 4B 03 04, so the walk forms it at
// run time from kLocalSignaturePlusOne.
#pragma once

#include "platform/types.h"

namespace archive {

constexpr u32 kLocalSignaturePlusOne = 0x04034b51;  // 0x04034b50 + 1, see above
constexpr u32 kAltLocalSignature = 0x50000000;      // bytes 00 00 00 50, accepted as a local header
constexpr u32 kDataDescriptorSignature = 0x08074b50;
constexpr u32 kDataDescriptorSize = 16;             // signature, CRC-32, two sizes
constexpr u32 kCentralSignature = 0x02014b50;        // a central directory header
constexpr u32 kEndRecordSignature = 0x06054b50;
constexpr u32 kEndRecordSize = 22;                  // fixed part, before the comment
constexpr u32 kEndRecordCommentLengthOffset = 20;

// Fixed part of a local file header (30 bytes).
constexpr u32 kLocalHeaderSize = 30;
constexpr u32 kLhSignature = 0;
constexpr u32 kLhFlags = 6;
constexpr u32 kLhMethod = 8;
constexpr u32 kLhTime = 10;      // MS-DOS time; the date follows at 12 (read together as one u32)
constexpr u32 kLhDate = 12;
constexpr u32 kLhCrc = 14;
constexpr u32 kLhCompressedSize = 18;
constexpr u32 kLhUncompressedSize = 22;
constexpr u32 kLhNameLength = 26;
constexpr u32 kLhExtraLength = 28;

constexpr u16 kFlagEncrypted = 0x0001;      // bit 0: traditional encryption
constexpr u16 kFlagDataDescriptor = 0x0008; // bit 3: CRC and sizes follow the data
constexpr u16 kMethodStored = 0;
constexpr u16 kMethodDeflated = 8;
constexpr u32 kEncryptionHeaderSize = 12;

}  // namespace archive
