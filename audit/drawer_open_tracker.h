// Turns readings of cash drawers' state into the audit's drawer events: fed
// each reading with the time it was taken, it reports a drawer read open, read
// closed again (with how long it was open) and, once per opening, read open
// for longer than the administrator's limit.
//
// A drawer counts as opened at the first reading that finds it open after
// one that found it closed (or after none): what happened between two
// readings is not known, so the times are those of the readings.

#ifndef KESTRO_AUDIT_DRAWER_OPEN_TRACKER_H_
#define KESTRO_AUDIT_DRAWER_OPEN_TRACKER_H_

#include <cstdint>
#include <map>
#include <mutex>
#include <string>

#include "audit/drawer_audit.h"

namespace kestro {

// What a reading found the drawer to be.
enum class DrawerSeen { kOpen, kClosed };

class DrawerOpenTracker {
 public:
  // `audit` is borrowed and must outlive the tracker.
  explicit DrawerOpenTracker(DrawerAudit& audit);

  // A reading of the drawer of `printer` taken at `now_ms`, on a clock that
  // never goes back (only differences count), with the warning limit in force
  // now: `warning_seconds`, 0 for none. Reports:
  //   open, after closed or none        DrawerReadOpen;
  //   open, first for longer than the   DrawerLeftOpen with the time open
  //   limit in this opening             and the limit;
  //   closed, after open                DrawerReadClosed with the time open.
  // Any thread may call it, several at once; `audit` is called under the
  // tracker's lock, so one drawer's events are told in order. Printers are
  // told apart by their names as given, and each is tracked alone.
  void Observe(const std::u16string& printer, DrawerSeen seen, int64_t now_ms,
               uint32_t warning_seconds);

 private:
  struct Opening {
    int64_t since_ms;
    bool warned;
  };

  DrawerAudit& audit_;
  std::mutex mutex_;
  // The drawers last read open, by printer; guarded by mutex_.
  std::map<std::u16string, Opening> open_;
};

}  // namespace kestro

#endif  // KESTRO_AUDIT_DRAWER_OPEN_TRACKER_H_
