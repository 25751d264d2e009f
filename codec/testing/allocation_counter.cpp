#include "codec/testing/allocation_counter.h"

#include <atomic>
#include <cstdlib>
#include <limits>
#include <new>

namespace {

// Each block starts with its size, in a header that keeps the block aligned
// as operator new must.
constexpr size_t kHeader = alignof(std::max_align_t);
static_assert(kHeader >= sizeof(size_t), "the header holds the block's size");

std::atomic<size_t> held{0};
std::atomic<size_t> peak{0};
std::atomic<size_t> ceiling{std::numeric_limits<size_t>::max()};

void* Allocate(size_t size) {
  if (size > ceiling.load() - held.load()) throw std::bad_alloc();
  void* block = std::malloc(size + kHeader);
  if (block == nullptr) throw std::bad_alloc();
  *static_cast<size_t*>(block) = size;
  const size_t now = held.fetch_add(size) + size;
  size_t seen = peak.load();
  while (now > seen && !peak.compare_exchange_weak(seen, now)) {
  }
  return static_cast<char*>(block) + kHeader;
}

void Release(void* pointer) noexcept {
  if (pointer == nullptr) return;
  char* block = static_cast<char*>(pointer) - kHeader;
  held.fetch_sub(*reinterpret_cast<size_t*>(block));
  std::free(block);
}

void* AllocateOrNull(size_t size) noexcept {
  try {
    return Allocate(size);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

}  // namespace

void* operator new(size_t size) { return Allocate(size); }
void* operator new[](size_t size) { return Allocate(size); }
void* operator new(size_t size, const std::nothrow_t&) noexcept { return AllocateOrNull(size); }
void* operator new[](size_t size, const std::nothrow_t&) noexcept { return AllocateOrNull(size); }
void operator delete(void* pointer) noexcept { Release(pointer); }
void operator delete[](void* pointer) noexcept { Release(pointer); }
void operator delete(void* pointer, size_t) noexcept { Release(pointer); }
void operator delete[](void* pointer, size_t) noexcept { Release(pointer); }
void operator delete(void* pointer, const std::nothrow_t&) noexcept { Release(pointer); }
void operator delete[](void* pointer, const std::nothrow_t&) noexcept { Release(pointer); }

namespace kestro_testing {

AllocationWatch::AllocationWatch(size_t limit) : baseline_(held.load()) {
  peak.store(baseline_);
  ceiling.store(baseline_ + limit);
}

AllocationWatch::~AllocationWatch() { ceiling.store(std::numeric_limits<size_t>::max()); }

size_t AllocationWatch::PeakBytes() const { return peak.load() - baseline_; }

}  // namespace kestro_testing
