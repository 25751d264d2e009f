// Where the "openDrawer" handler hands a sent drawer kick to be watched
// (DrawerKickWatch), so that a kick the printer does not take in time is
// withdrawn instead of opening the drawer later with nobody at the till.

#ifndef KESTRO_CASH_DRAWER_KICK_WATCHER_H_
#define KESTRO_CASH_DRAWER_KICK_WATCHER_H_

#include <cstdint>
#include <string>

namespace kestro {

class KickWatcher {
 public:
  virtual ~KickWatcher() = default;

  // Takes the job `job_id` on `printer_name`, whose document has ended, to
  // watch for `expire_after_ms`. Returns at once: it never waits for the
  // watch or for the spooler.
  virtual void Watch(const std::u16string& printer_name, uint32_t job_id,
                     int64_t expire_after_ms) = 0;
};

}  // namespace kestro

#endif  // KESTRO_CASH_DRAWER_KICK_WATCHER_H_
