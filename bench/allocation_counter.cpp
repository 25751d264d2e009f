#include "bench/allocation_counter.h"

#include <cstdlib>
#include <new>

namespace kestro::bench {
namespace {

thread_local uint64_t t_allocations = 0;

void* CountedAllocation(std::size_t size) noexcept {
  ++t_allocations;
  return std::malloc(size == 0 ? 1 : size);
}

}  // namespace

uint64_t AllocationsOnThisThread() { return t_allocations; }

}  // namespace kestro::bench

// The array and nothrow forms of the standard library call these; the
// standard operator delete frees with std::free, which matches.
void* operator new(std::size_t size) {
  void* memory = kestro::bench::CountedAllocation(size);
  if (memory == nullptr) throw std::bad_alloc();
  return memory;
}

void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  return kestro::bench::CountedAllocation(size);
}
