// Reading the archive's local file headers one after the other. The walk starts
// at ArchiveBase and finds each next header behind the previous entry's data;
// data descriptors standing between entries are passed over.
#pragma once

#include "platform/types.h"

namespace archive {

// Reads the 30 bytes at the package file's position into LocalHeader and returns
// true when they begin an entry: the signature equals LocalSignature or the bytes
// 00 00 00 50. CompressedLeft becomes the header's compressed size (0 otherwise).
// A data descriptor (signature 0x08074b50, 16 bytes) is skipped and the header
// behind it read; so is any run of them.
//
// Assumes: FilePos holds the position last set by SeekPackage (the walk seeks
// before every call). On return false, the signature field of LocalHeader holds
// the four bytes that ended the walk: 0 for the end of the file, a failed read
// or a failed seek. Every field a short read did not reach is 0.
bool ReadNextLocalHeader();

}  // namespace archive
