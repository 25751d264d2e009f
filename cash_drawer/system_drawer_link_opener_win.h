// The drawer links of the machine: the serial port, the raw TCP socket or the
// USB printer-class device a channel names, behind DrawerLinkOpener.

#ifndef KESTRO_CASH_DRAWER_SYSTEM_DRAWER_LINK_OPENER_WIN_H_
#define KESTRO_CASH_DRAWER_SYSTEM_DRAWER_LINK_OPENER_WIN_H_

#include <cstdint>

#include "cash_drawer/drawer_link.h"

namespace kestro {

// Holds no state; each Open is independent and may run on any thread. A USB
// channel's device is looked up anew at each Open, so that a printer plugged
// into another socket is found.
class SystemDrawerLinkOpener : public DrawerLinkOpener {
 public:
  LinkOpenResult Open(const DrawerChannel& channel, int64_t timeout_ms) override;
};

}  // namespace kestro

#endif  // KESTRO_CASH_DRAWER_SYSTEM_DRAWER_LINK_OPENER_WIN_H_
