// A kick watcher for tests of the "openDrawer" handler: it writes down each
// kick handed over, and whether the call had been answered by then.

#ifndef KESTRO_CASH_DRAWER_TESTING_RECORDING_KICK_WATCHER_H_
#define KESTRO_CASH_DRAWER_TESTING_RECORDING_KICK_WATCHER_H_

#include <cstdint>
#include <string>
#include <vector>

#include "cash_drawer/kick_watcher.h"
#include "codec/testing/recording_result.h"

namespace kestro_testing {

class RecordingWatcher : public kestro::KickWatcher {
 public:
  struct Kick {
    std::u16string printer_name;
    uint32_t job_id;
    int64_t expire_after_ms;
    int answers_before;
  };

  // `answer` is the call's, read at each handover; it must outlive the watcher.
  explicit RecordingWatcher(const Answer* answer) : answer_(answer) {}
  void Watch(const std::u16string& printer_name, uint32_t job_id,
             int64_t expire_after_ms) override {
    kicks.push_back({printer_name, job_id, expire_after_ms, answer_->count});
  }

  std::vector<Kick> kicks;

 private:
  const Answer* answer_;
};

}  // namespace kestro_testing

#endif  // KESTRO_CASH_DRAWER_TESTING_RECORDING_KICK_WATCHER_H_
