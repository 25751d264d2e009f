// The service that carries drawer state calls out off the UI thread. A read
// blocks for up to its time and a wait for minutes, so the UI thread only
// hands a call over and gets its answer later, through the UiTaskRunner.
//
// The service runs calls on threads of its own, at most `max_threads` at
// once (the rest wait in order), and takes one lock per channel around each
// read, so that two reads of one channel never interleave: a read that finds
// its channel in use by another treats it as busy. Each call is answered
// exactly once, on the UI thread. When the service is destroyed (the window
// closes), every call not yet answered is answered at once with "unknown",
// reason "closing"; the calls still running are told to stop, and the
// destructor waits for them no longer than `teardown_grace_ms`. What the
// threads use is held shared, so a thread may outlive the service; it then
// ends without answering. Each reading that tells the drawer's state goes to
// an observer, which keeps the drawer's audit trail.

#ifndef KESTRO_CASH_DRAWER_DRAWER_STATE_SERVICE_H_
#define KESTRO_CASH_DRAWER_DRAWER_STATE_SERVICE_H_

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "cash_drawer/drawer_state_call.h"
#include "cash_drawer/ui_task_runner.h"

namespace kestro {

// Told each reading of a drawer's state that the service makes and that finds
// the drawer open or closed: the read of "getDrawerState", each read of a
// wait ("waitForDrawer", a confirmation of "openDrawer"). Readings that tell
// no state ("unknown") are not told.
class DrawerReadingObserver {
 public:
  virtual ~DrawerReadingObserver() = default;
  // On the service's thread that made the reading, as soon as it is made, at
  // `now_ms` on the backend's clock; several threads may call at once.
  virtual void DrawerRead(const std::u16string& printer_name, DrawerState state,
                          int64_t now_ms) = 0;
};

class DrawerStateService {
 public:
  struct Limits {
    // Calls carried out at once.
    int max_threads = 4;
    // The longest the destructor waits for calls still running.
    int64_t teardown_grace_ms = 2000;
  };

  // Runs the answer of a call on the UI thread.
  using Answer = std::function<void(const DrawerStateOutcome&)>;

  // `backend` is shared with the threads. `runner` is borrowed: it must
  // outlive the service, which posts nothing to it once destroyed.
  // `observer`, when given, is borrowed too, and told each reading until the
  // destructor begins, never after, so it need only outlive the service.
  DrawerStateService(DrawerStateBackend backend, UiTaskRunner& runner);
  DrawerStateService(DrawerStateBackend backend, UiTaskRunner& runner, Limits limits,
                     DrawerReadingObserver* observer = nullptr);

  // On the UI thread: stops telling the observer (waiting for a call to it in
  // progress), answers every call not yet answered with
  // UnreadOutcome(call, kClosingReason), stops the rest, and waits for the
  // threads at most `teardown_grace_ms`.
  ~DrawerStateService();

  DrawerStateService(const DrawerStateService&) = delete;
  DrawerStateService& operator=(const DrawerStateService&) = delete;

  // On the UI thread: carries `call` out on a thread of the service
  // (CarryOutDrawerStateCall) and returns at once. `answer` runs later, on
  // the UI thread, exactly once: with the outcome, or with "unknown" and
  // "closing" when the service is destroyed first. When no thread can be
  // started, it runs at once with "unknown" and the reason.
  void Start(DrawerStateCall call, Answer answer);

  // The settings a call is read with (DrawerStateBackend::settings).
  SettingsStore* settings() const;

  // What the service shares with its threads.
  struct State;

 private:
  std::shared_ptr<State> state_;
};

}  // namespace kestro

#endif  // KESTRO_CASH_DRAWER_DRAWER_STATE_SERVICE_H_
