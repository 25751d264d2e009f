// The drawer link over a serial port. The port keeps the line settings
// Windows has for it (the default configuration an administrator sets in
// Device Manager, which the spooler prints with too): speed, parity and flow
// control are never ours to choose. Only the timeouts are, so that every
// read and write returns within the time given.

#ifndef KESTRO_CASH_DRAWER_SERIAL_DRAWER_LINK_WIN_H_
#define KESTRO_CASH_DRAWER_SERIAL_DRAWER_LINK_WIN_H_

#include <string>

#include "cash_drawer/drawer_link.h"

namespace kestro {

// Opens serial port `port_name` ("COM3") unshared, through its device path
// ("\\.\COM3"), and gives it the port's default configuration
// (GetDefaultCommConfigW; when there is none, the port keeps its current
// one). A sharing violation or a refused access is kBusy: the spooler, or
// another program, holds the port.
LinkOpenResult OpenSerialDrawerLink(const std::u16string& port_name);

}  // namespace kestro

#endif  // KESTRO_CASH_DRAWER_SERIAL_DRAWER_LINK_WIN_H_
