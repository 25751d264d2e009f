#include "cash_drawer/system_drawer_link_opener_win.h"

#include <optional>
#include <string>

#include "cash_drawer/overlapped_device_link_win.h"
#include "cash_drawer/serial_drawer_link_win.h"
#include "cash_drawer/tcp_drawer_link_win.h"
#include "cash_drawer/usb_print_devices_win.h"
#include "cash_drawer/usb_printer_lookup.h"

namespace kestro {
namespace {

LinkOpenResult OpenUsb(const std::u16string& port_name) {
  SystemUsbPrintDevices devices;
  LinkOpenResult result;
  const std::optional<std::u16string> path = FindUsbPrinterPath(port_name, devices, &result.reason);
  return path ? OpenOverlappedDeviceLink(*path) : std::move(result);
}

}  // namespace

LinkOpenResult SystemDrawerLinkOpener::Open(const DrawerChannel& channel, int64_t timeout_ms) {
  switch (channel.kind) {
    case DrawerChannel::Kind::kSerial:
      return OpenSerialDrawerLink(channel.device);
    case DrawerChannel::Kind::kTcp:
      return OpenTcpDrawerLink(channel.host, channel.tcp_port, timeout_ms);
    case DrawerChannel::Kind::kUsb:
      return OpenUsb(channel.device);
    case DrawerChannel::Kind::kNone:
    case DrawerChannel::Kind::kPort:
      break;
  }
  LinkOpenResult result;
  result.reason = "only a serial, TCP or USB channel can be opened";
  return result;
}

}  // namespace kestro
