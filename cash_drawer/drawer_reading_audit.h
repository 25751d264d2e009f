// What the cash drawer service puts on the audit trail of the drawer's state:
// every reading the state service makes goes to the drawer-open tracker
// (audit/drawer_open_tracker.h), with the warning limit the machine's
// settings give at that moment.

#ifndef KESTRO_CASH_DRAWER_DRAWER_READING_AUDIT_H_
#define KESTRO_CASH_DRAWER_DRAWER_READING_AUDIT_H_

#include <cstdint>
#include <string>

#include "audit/drawer_open_tracker.h"
#include "cash_drawer/drawer_settings_reader.h"
#include "cash_drawer/drawer_state_service.h"

namespace kestro {

// The state service's observer of the app's readings. The tracker keeps its
// own lock, so the service's threads tell it directly, each reading at the
// time it was made: a wait's readings in between (the drawer opened and shut
// again while the app waited) would be lost if only the answers, on the UI
// thread, were told.
class DrawerReadingAuditor : public DrawerReadingObserver {
 public:
  // Both are borrowed and must outlive the auditor; both are called from the
  // service's threads.
  DrawerReadingAuditor(DrawerOpenTracker& tracker, DrawerSettingsReader& settings);

  // Observes an open or closed reading, with ReadOpenWarningSeconds.
  void DrawerRead(const std::u16string& printer_name, DrawerState state, int64_t now_ms) override;

 private:
  DrawerOpenTracker& tracker_;
  DrawerSettingsReader& settings_;
};

}  // namespace kestro

#endif  // KESTRO_CASH_DRAWER_DRAWER_READING_AUDIT_H_
