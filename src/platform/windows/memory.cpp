// The stub's heap on Windows: the process heap (KERNEL32), no C runtime allocator.
#include "platform/memory.h"

#include "platform/win32.h"

namespace platform {

void* Alloc(std::size_t size) { return HeapAlloc(GetProcessHeap(), 0, size); }

void Free(void* block) {
  if (block) HeapFree(GetProcessHeap(), 0, block);
}

void CopyBytes(void* to, const void* from, std::size_t count) {
  u8* out = static_cast<u8*>(to);
  const u8* in = static_cast<const u8*>(from);
  if (out < in) {
    for (std::size_t i = 0; i < count; ++i) out[i] = in[i];
  } else {
    for (std::size_t i = count; i > 0; --i) out[i - 1] = in[i - 1];
  }
}

void FillBytes(void* to, u8 value, std::size_t count) {
  u8* out = static_cast<u8*>(to);
  for (std::size_t i = 0; i < count; ++i) out[i] = value;
}

}  // namespace platform
