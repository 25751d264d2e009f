#include "cash_drawer/system_drawer_state_backend_win.h"

#include <memory>

#include "cash_drawer/drawer_clock.h"
#include "cash_drawer/registry_settings_store_win.h"
#include "cash_drawer/system_drawer_link_opener_win.h"
#include "cash_drawer/system_print_spooler_win.h"
#include "cash_drawer/system_xcv_calls_win.h"

namespace kestro {

DrawerStateBackend MakeSystemDrawerStateBackend() {
  DrawerStateBackend backend;
  backend.settings = std::make_shared<RegistrySettingsStore>();
  backend.spooler = std::make_shared<SystemPrintSpooler>();
  backend.monitor = std::make_shared<SystemSpoolerPortMonitor>();
  backend.opener = std::make_shared<SystemDrawerLinkOpener>();
  backend.clock = std::make_shared<SystemDrawerClock>();
  return backend;
}

}  // namespace kestro
