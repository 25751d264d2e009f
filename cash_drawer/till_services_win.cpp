#include "cash_drawer/till_services_win.h"

#include <chrono>

namespace kestro {

TillServices::TillServices()
    : settings_(store_),
      event_log_(event_log_writer_),
      record_folder_(DefaultRecordFolderPath()),
      record_(
          record_folder_, [this] { return ReadRecordLimits(settings_); }, UnixNowMs),
      trail_({&event_log_, &record_}),
      tracker_(trail_) {
  for (const NumberSetting* setting : kNumberSettings) settings_.Read(*setting);
}

int64_t UnixNowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::system_clock::now().time_since_epoch())
      .count();
}

}  // namespace kestro
