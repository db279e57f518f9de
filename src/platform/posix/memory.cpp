// The stand-in's heap: malloc with a size prefix, so tests can count blocks, read
// the peak in use and make a chosen allocation fail.
#include <cstdlib>
#include <cstring>

#include "platform/memory.h"
#include "platform/posix/standin_internal.h"

namespace {

struct HeapState {
  long long in_use = 0;
  long long peak = 0;
  long count = 0;
  long fail_after = -1;
};

HeapState& Heap() {
  static HeapState state;
  return state;
}

constexpr std::size_t kPrefix = 16;  // keeps the block 16-byte aligned

}  // namespace

namespace standin {
namespace internal {
void ResetHeap() {
  Heap().fail_after = -1;
  Heap().peak = Heap().in_use;
}
}  // namespace internal

void FailAllocationAfter(long count) { Heap().fail_after = count; }
long long HeapInUse() { return Heap().in_use; }
long long HeapPeak() { return Heap().peak; }
void ResetHeapPeak() { Heap().peak = Heap().in_use; }
long AllocationCount() { return Heap().count; }

}  // namespace standin

namespace platform {

void* Alloc(std::size_t size) {
  HeapState& heap = Heap();
  if (heap.fail_after == 0) {
    heap.fail_after = -1;
    return nullptr;
  }
  if (heap.fail_after > 0) --heap.fail_after;
  auto* block = static_cast<unsigned char*>(std::malloc(size + kPrefix));
  if (!block) return nullptr;
  std::memcpy(block, &size, sizeof size);
  heap.in_use += static_cast<long long>(size);
  if (heap.in_use > heap.peak) heap.peak = heap.in_use;
  ++heap.count;
  return block + kPrefix;
}

void Free(void* block) {
  if (!block) return;
  auto* start = static_cast<unsigned char*>(block) - kPrefix;
  std::size_t size;
  std::memcpy(&size, start, sizeof size);
  Heap().in_use -= static_cast<long long>(size);
  std::free(start);
}

void CopyBytes(void* to, const void* from, std::size_t count) { std::memmove(to, from, count); }
void FillBytes(void* to, u8 value, std::size_t count) { std::memset(to, value, count); }

}  // namespace platform

namespace standin {

void Reset() {
  internal::ResetFiles();
  internal::ResetDesktop();
  internal::ResetProcesses();
  internal::ResetSecurity();
  internal::ResetHeap();
}

}  // namespace standin
