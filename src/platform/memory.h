// Heap blocks for the stub: one allocator for every buffer the installer owns.
// On Windows it is the process heap; on Linux the stand-in's counted allocator,
// which tests can make fail and whose peak use they can read.
#pragma once

#include "platform/types.h"

namespace platform {

// Returns a block of at least `size` bytes, or nullptr when none can be had.
// The contents are not cleared.
void* Alloc(std::size_t size);
// Frees a block from Alloc; nullptr is ignored.
void Free(void* block);

// Byte helpers the stub uses instead of the C library's, so the image needs no
// more of it than start-up.
void CopyBytes(void* to, const void* from, std::size_t count);
void FillBytes(void* to, u8 value, std::size_t count);

}  // namespace platform
