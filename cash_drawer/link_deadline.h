// The end of the time a caller gave an operation on a drawer link, so that a
// step that takes several system calls (each address of a host, each part of
// a send) never waits past it in all.

#ifndef KESTRO_CASH_DRAWER_LINK_DEADLINE_H_
#define KESTRO_CASH_DRAWER_LINK_DEADLINE_H_

#include <algorithm>
#include <chrono>
#include <cstdint>

namespace kestro {

class LinkDeadline {
 public:
  // `timeout_ms` from now; zero or less is now.
  explicit LinkDeadline(int64_t timeout_ms)
      : end_(std::chrono::steady_clock::now() +
             std::chrono::milliseconds(std::max<int64_t>(timeout_ms, 0))) {}

  // Whole milliseconds left, rounded up so that a wait of that long ends at
  // or after the deadline; 0 once it has passed.
  int64_t RemainingMs() const {
    const auto left = end_ - std::chrono::steady_clock::now();
    if (left <= left.zero()) return 0;
    return std::chrono::ceil<std::chrono::milliseconds>(left).count();
  }

  bool Passed() const { return RemainingMs() == 0; }

 private:
  std::chrono::steady_clock::time_point end_;
};

}  // namespace kestro

#endif  // KESTRO_CASH_DRAWER_LINK_DEADLINE_H_
