// Where a drawer's state is read: a direct channel to its receipt printer
// beside the spooler, since the spooler itself cannot tell (ReadPrinter fails
// where the port is not bidirectional, and most drivers report nothing). A
// status request sent to an office printer's raw port would print a page of
// junk, so a printer has a direct channel only when someone declared one
// (drawer_settings.h); "port" takes it from the printer's own spooler port.

#ifndef KESTRO_CASH_DRAWER_DRAWER_CHANNEL_H_
#define KESTRO_CASH_DRAWER_DRAWER_CHANNEL_H_

#include <cstdint>
#include <optional>
#include <string>

namespace kestro {

// One direct channel, as a setting or the "via" argument names it.
struct DrawerChannel {
  enum class Kind {
    kNone,    // "none": the state is not read
    kPort,    // "port": whatever the printer's spooler port gives (ChannelOfSpoolerPort)
    kSerial,  // "COM3": serial port 3
    kTcp,     // "tcp:192.168.1.50:9100": a raw TCP socket
    kUsb,     // "usb:USB001": the USB printer-class device of port USB001
  };
  Kind kind = Kind::kNone;
  // kSerial: the port's name ("COM3"); kUsb: the spooler port name ("USB001").
  std::u16string device;
  // kTcp: the host (a name or an IPv4/IPv6 address) and the port number.
  std::string host;
  uint16_t tcp_port = 0;

  bool operator==(const DrawerChannel& other) const {
    return kind == other.kind && device == other.device && host == other.host &&
           tcp_port == other.tcp_port;
  }
};

// Parses a channel as settings and the "via" argument write it: "COMn" (n from
// 1 to 255), "tcp:HOST:PORT" (PORT 1 to 65535; an IPv6 HOST in brackets),
// "usb:USBnnn", "none" or "port". Keywords and COM/USB names are matched
// without regard to letter case and are returned in upper case. Anything else
// is std::nullopt.
std::optional<DrawerChannel> ParseDrawerChannel(const std::u16string& text);

// The "via" text of an answer: "COM3", "tcp 192.168.1.50:9100", "USB001";
// "none" and "port" for those kinds.
std::string DescribeDrawerChannel(const DrawerChannel& channel);

// The channel as a setting or the "via" argument writes it ("COM3",
// "tcp:192.168.1.50:9100", "usb:USB001", "none", "port"), which
// ParseDrawerChannel reads back as the same channel.
std::string FormatDrawerChannel(const DrawerChannel& channel);

// A Standard TCP/IP port as its port monitor describes it.
struct TcpPortConfig {
  std::string host;   // the printer's host name or address
  uint16_t port = 0;  // the port number
  bool raw = false;   // RAW protocol (LPR otherwise, which cannot be read)
};

// The spooler's port monitors, asked about one port.
class SpoolerPortMonitor {
 public:
  virtual ~SpoolerPortMonitor() = default;

  // The configuration of the Standard TCP/IP port `port_name`
  // (OpenPrinterW(L",XcvPort NAME"), XcvDataW(L"GetConfigInfo") answering a
  // PORT_DATA_1), or std::nullopt when the port is not one or cannot be asked;
  // then `*reason` says why in words, naming the failing call and its code.
  virtual std::optional<TcpPortConfig> ReadTcpPort(const std::u16string& port_name,
                                                   std::string* reason) = 0;
};

// The direct channel a printer's spooler port gives: "COMn:" is serial port n,
// "USBnnn" the USB printer-class device of that port, a Standard TCP/IP port
// in RAW mode its host and port; any other port cannot be read, and
// std::nullopt comes with `*reason` saying why.
std::optional<DrawerChannel> ChannelOfSpoolerPort(const std::u16string& port_name,
                                                  SpoolerPortMonitor& monitor, std::string* reason);

}  // namespace kestro

#endif  // KESTRO_CASH_DRAWER_DRAWER_CHANNEL_H_
