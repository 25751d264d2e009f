#include "standins/engine/process_clock_win.h"

#include <windows.h>

namespace kestro::standin {
namespace {

// FILETIME counts 100-nanosecond steps.
constexpr double kMillisecondsPerFileTimeStep = 1e-4;

ULONGLONG FileTimeSteps(const FILETIME& time) {
  return (static_cast<ULONGLONG>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

// The performance counter's reading at one moment, and how long after the
// process's creation that moment was.
struct Anchor {
  LARGE_INTEGER counter;
  LARGE_INTEGER frequency;
  double since_creation_ms;
};

Anchor MakeAnchor() {
  Anchor anchor{};
  FILETIME creation{}, exit{}, kernel{}, user{};
  ::GetProcessTimes(::GetCurrentProcess(), &creation, &exit, &kernel, &user);
  FILETIME now{};
  ::GetSystemTimePreciseAsFileTime(&now);
  ::QueryPerformanceCounter(&anchor.counter);
  ::QueryPerformanceFrequency(&anchor.frequency);
  const ULONGLONG created = FileTimeSteps(creation);
  const ULONGLONG current = FileTimeSteps(now);
  anchor.since_creation_ms =
      current > created ? static_cast<double>(current - created) * kMillisecondsPerFileTimeStep : 0;
  return anchor;
}

}  // namespace

double MillisecondsSinceProcessStart() {
  static const Anchor anchor = MakeAnchor();
  LARGE_INTEGER counter;
  ::QueryPerformanceCounter(&counter);
  const double elapsed_ms = static_cast<double>(counter.QuadPart - anchor.counter.QuadPart) *
                            1000.0 / static_cast<double>(anchor.frequency.QuadPart);
  return anchor.since_creation_ms + elapsed_ms;
}

}  // namespace kestro::standin
