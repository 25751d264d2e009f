// A till for tests of the drawer's state, with every part a fake:
//
//   printer  port          setting                           device
//   Office   IP_10.0.0.7   none                              tcp:10.0.0.7:9100, busy
//   Receipt  COM2:         machine "port" (the default)      COM2, closed (pin 3 high)
//   Kitchen  USB002        policy "usb:USB002"               USB002, open (pin 3 low)
//                                                            COM5, silent
//
// IP_10.0.0.7 is a Standard TCP/IP port in RAW mode. Each device answers 20 ms
// after a request, on the till's clock.

#ifndef KESTRO_CASH_DRAWER_TESTING_DRAWER_STATE_TILL_H_
#define KESTRO_CASH_DRAWER_TESTING_DRAWER_STATE_TILL_H_

#include <memory>

#include "cash_drawer/drawer_state_call.h"
#include "cash_drawer/testing/fake_drawer_link.h"
#include "cash_drawer/testing/fake_port_monitor.h"
#include "cash_drawer/testing/fake_print_spooler.h"
#include "cash_drawer/testing/fake_settings_store.h"
#include "cash_drawer/testing/manual_drawer_clock.h"

namespace kestro_testing {

struct DrawerStateTill {
  DrawerStateTill();

  // The parts, shared with the backend.
  kestro::DrawerStateBackend backend() const;

  std::shared_ptr<FakePrintSpooler> spooler;
  std::shared_ptr<FakeSettingsStore> settings;
  std::shared_ptr<FakePortMonitor> monitor;
  std::shared_ptr<ManualDrawerClock> clock;
  std::shared_ptr<FakeLinkOpener> opener;
};

}  // namespace kestro_testing

#endif  // KESTRO_CASH_DRAWER_TESTING_DRAWER_STATE_TILL_H_
