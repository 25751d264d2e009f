#include "cash_drawer/drawer_reading_audit.h"

namespace kestro {

DrawerReadingAuditor::DrawerReadingAuditor(DrawerOpenTracker& tracker,
                                           DrawerSettingsReader& settings)
    : tracker_(tracker), settings_(settings) {}

void DrawerReadingAuditor::DrawerRead(const std::u16string& printer_name, DrawerState state,
                                      int64_t now_ms) {
  if (state == DrawerState::kUnknown) return;
  tracker_.Observe(printer_name,
                   state == DrawerState::kOpen ? DrawerSeen::kOpen : DrawerSeen::kClosed, now_ms,
                   ReadOpenWarningSeconds(settings_));
}

}  // namespace kestro
