// Milliseconds since the process started, on a monotonic clock: the time
// stamps of the stand-in app's transcript, and of the minimal programs that
// the host is measured against, so that both count from the same moment.

#ifndef KESTRO_STANDINS_ENGINE_PROCESS_CLOCK_WIN_H_
#define KESTRO_STANDINS_ENGINE_PROCESS_CLOCK_WIN_H_

namespace kestro::standin {

// The time since the system created this process (GetProcessTimes), in
// milliseconds. The distance from the creation to the first call is read
// from the system clock once; from there on the performance counter, which
// never goes back, carries the time.
double MillisecondsSinceProcessStart();

}  // namespace kestro::standin

#endif  // KESTRO_STANDINS_ENGINE_PROCESS_CLOCK_WIN_H_
