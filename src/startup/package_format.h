// The package layout: the stub image (exactly kStubSize bytes), a 20-byte header,
// the texts, extra data, then a ZIP archive whose offsets count from ArchiveBase.
#pragma once

#include "platform/types.h"

namespace startup {

constexpr i32 kStubSize = 34304;        // 0x8600: the header is looked for here and nowhere else
constexpr u32 kPackageHeaderSize = 20;  // "KZB", KeepOpen, title len, INF len, NeedsAdmin, InfoLen, 3 x int32
constexpr char kHeaderMagic[] = "KZB";
constexpr u32 kHeaderMagicSize = 3;
constexpr i32 kTextsStart = kStubSize + static_cast<i32>(kPackageHeaderSize);  // 34324

// Integrity check: the file ends with the ZIP end record and its comment, or with
// the trailer marker "QWJ" plus any fourth byte.
constexpr char kTrailerMarker[] = "QWJ";
constexpr u32 kTrailerSize = 4;
constexpr i32 kTailWindow = 65536 + 22;  // longest comment + the end record's fixed part

// Text scrambling: a linear congruential key stream, restarted for every text.
constexpr u32 kScrambleSeed = 947;
constexpr u32 kScrambleMultiplier = 134775813;

}  // namespace startup
