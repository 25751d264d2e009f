// Counts what the program holds through operator new, for tests that bound
// memory. Linking allocation_counter.cpp replaces the global operator new and
// delete of the whole test binary, so it goes into a binary of its own.
//
// Every byte asked of operator new counts, whether used or only reserved
// (a vector's capacity beyond its size included), until it is deleted.

#ifndef KESTRO_CODEC_TESTING_ALLOCATION_COUNTER_H_
#define KESTRO_CODEC_TESTING_ALLOCATION_COUNTER_H_

#include <cstddef>

namespace kestro_testing {

// Watches allocations from its construction on. While it lives, an
// allocation that would take the bytes held above what was held at its
// construction beyond `limit` fails with std::bad_alloc, so that code which
// over-allocates fails at once instead of exhausting the machine. One watch
// at a time.
class AllocationWatch {
 public:
  explicit AllocationWatch(size_t limit);
  ~AllocationWatch();

  AllocationWatch(const AllocationWatch&) = delete;
  AllocationWatch& operator=(const AllocationWatch&) = delete;

  // The most held at once since construction, above what was held then.
  size_t PeakBytes() const;

 private:
  // What was held at construction.
  size_t baseline_;
};

}  // namespace kestro_testing

#endif  // KESTRO_CODEC_TESTING_ALLOCATION_COUNTER_H_
