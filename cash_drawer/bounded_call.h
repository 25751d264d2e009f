// Runs a call that has no time limit of its own (a host name lookup can wait
// for a name server for many seconds) on a thread of its own, and waits for
// it only as long as the caller's time allows.

#ifndef KESTRO_CASH_DRAWER_BOUNDED_CALL_H_
#define KESTRO_CASH_DRAWER_BOUNDED_CALL_H_

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>
#include <utility>

namespace kestro {

// What `work` returned, when it returned within `timeout_ms`; std::nullopt
// otherwise, at once when the time is up (or when no thread can be started).
// A call that is still running then goes on by itself and its result is
// destroyed on its own thread when it ends: `work` must own everything it
// uses, and Result must release what it holds when destroyed.
template <typename Result>
std::optional<Result> CallWithin(int64_t timeout_ms, std::function<Result()> work) {
  struct Outcome {
    std::mutex mutex;
    std::condition_variable done;
    std::optional<Result> result;
  };
  auto outcome = std::make_shared<Outcome>();
  try {
    std::thread([outcome, work = std::move(work)] {
      Result result = work();
      std::lock_guard<std::mutex> lock(outcome->mutex);
      outcome->result.emplace(std::move(result));
      outcome->done.notify_all();
    }).detach();
  } catch (const std::system_error&) {
    return std::nullopt;
  }
  std::unique_lock<std::mutex> lock(outcome->mutex);
  const auto wait = std::chrono::milliseconds(std::max<int64_t>(timeout_ms, 0));
  if (!outcome->done.wait_for(lock, wait, [&] { return outcome->result.has_value(); })) {
    return std::nullopt;
  }
  return std::move(outcome->result);
}

}  // namespace kestro

#endif  // KESTRO_CASH_DRAWER_BOUNDED_CALL_H_
