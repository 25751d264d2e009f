// A count of the heap allocations made through operator new, by thread.
// The benchmark program replaces the global operator new with one that counts
// before it allocates with malloc; only a program that links
// allocation_counter.cpp has the count.

#ifndef KESTRO_BENCH_ALLOCATION_COUNTER_H_
#define KESTRO_BENCH_ALLOCATION_COUNTER_H_

#include <cstdint>

namespace kestro::bench {

// The allocations the calling thread has made so far. A thread-local count
// costs one add per allocation and no atomic operation, so it can stay on
// while the benchmarks are timed.
uint64_t AllocationsOnThisThread();

}  // namespace kestro::bench

#endif  // KESTRO_BENCH_ALLOCATION_COUNTER_H_
