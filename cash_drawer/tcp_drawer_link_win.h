// The drawer link over a raw TCP socket, usually a network printer's port
// 9100, which most such printers serve one connection at a time: while the
// spooler prints, a second connection is refused or reset.

#ifndef KESTRO_CASH_DRAWER_TCP_DRAWER_LINK_WIN_H_
#define KESTRO_CASH_DRAWER_TCP_DRAWER_LINK_WIN_H_

#include <cstdint>
#include <string>

#include "cash_drawer/drawer_link.h"

namespace kestro {

// Connects to `port` of `host` (a name, or an IPv4 or IPv6 address, with or
// without brackets) within `timeout_ms` in all: the name's lookup
// (GetAddrInfoW) and the connection to each of its addresses in turn. A
// connection refused or reset is kBusy; a name that cannot be found, or no
// answer within the time, is kFailed.
LinkOpenResult OpenTcpDrawerLink(const std::string& host, uint16_t port, int64_t timeout_ms);

}  // namespace kestro

#endif  // KESTRO_CASH_DRAWER_TCP_DRAWER_LINK_WIN_H_
