#include "cash_drawer/drawer_channel.h"

#include <cstddef>
#include <utility>

#include "cash_drawer/text_conversion.h"

namespace kestro {
namespace {

char16_t UpperAscii(char16_t unit) {
  return unit >= u'a' && unit <= u'z' ? static_cast<char16_t>(unit - u'a' + u'A') : unit;
}

std::u16string Upper(const std::u16string& text) {
  std::u16string upper = text;
  for (char16_t& unit : upper) unit = UpperAscii(unit);
  return upper;
}

bool IsDigit(char16_t unit) { return unit >= u'0' && unit <= u'9'; }

// Whether `text` starts with `prefix` (upper case) in any letter case.
bool StartsWithFolded(const std::u16string& text, const std::u16string& prefix) {
  return text.size() >= prefix.size() && Upper(text.substr(0, prefix.size())) == prefix;
}

// The decimal number `text` is, when it is one to `max_digits` digits without
// a leading zero and within [1, high].
std::optional<uint32_t> PositiveNumber(const std::u16string& text, size_t max_digits,
                                       uint32_t high) {
  if (text.empty() || text.size() > max_digits || text[0] == u'0') return std::nullopt;
  uint32_t number = 0;
  for (char16_t unit : text) {
    if (!IsDigit(unit)) return std::nullopt;
    number = number * 10 + static_cast<uint32_t>(unit - u'0');
  }
  if (number > high) return std::nullopt;
  return number;
}

// "COMn", n from 1 to 255, in any case: "COMn" in upper case.
std::optional<std::u16string> SerialPortName(const std::u16string& text) {
  if (!StartsWithFolded(text, u"COM") || !PositiveNumber(text.substr(3), 3, 255)) {
    return std::nullopt;
  }
  return Upper(text);
}

// "USBnnn", three digits, in any case: "USBnnn" in upper case.
std::optional<std::u16string> UsbPortName(const std::u16string& text) {
  if (text.size() != 6 || !StartsWithFolded(text, u"USB")) return std::nullopt;
  for (size_t i = 3; i < text.size(); ++i) {
    if (!IsDigit(text[i])) return std::nullopt;
  }
  return Upper(text);
}

bool IsHostNameUnit(char16_t unit) {
  return IsDigit(unit) || (UpperAscii(unit) >= u'A' && UpperAscii(unit) <= u'Z') || unit == u'-' ||
         unit == u'.' || unit == u'_';
}

bool IsIpv6Unit(char16_t unit) {
  const char16_t upper = UpperAscii(unit);
  return IsDigit(unit) || (upper >= u'A' && upper <= u'F') || unit == u':' || unit == u'.';
}

template <typename UnitTest>
bool AllUnits(const std::u16string& text, UnitTest test) {
  for (char16_t unit : text) {
    if (!test(unit)) return false;
  }
  return !text.empty();
}

// "HOST:PORT" after "tcp:"; an IPv6 HOST is in brackets, which are dropped.
std::optional<DrawerChannel> TcpChannel(const std::u16string& rest) {
  const size_t colon = rest.rfind(u':');
  if (colon == std::u16string::npos) return std::nullopt;
  std::u16string host = rest.substr(0, colon);
  const std::optional<uint32_t> port = PositiveNumber(rest.substr(colon + 1), 5, 65535);
  if (!port) return std::nullopt;
  if (host.size() >= 2 && host.front() == u'[' && host.back() == u']') {
    host = host.substr(1, host.size() - 2);
    if (!AllUnits(host, IsIpv6Unit) || host.find(u':') == std::u16string::npos) {
      return std::nullopt;
    }
  } else if (!AllUnits(host, IsHostNameUnit)) {
    return std::nullopt;
  }
  DrawerChannel channel;
  channel.kind = DrawerChannel::Kind::kTcp;
  channel.host = ToUtf8String(host);
  channel.tcp_port = static_cast<uint16_t>(*port);
  return channel;
}

DrawerChannel Channel(DrawerChannel::Kind kind, std::u16string device = u"") {
  DrawerChannel channel;
  channel.kind = kind;
  channel.device = std::move(device);
  return channel;
}

std::string Quoted(const std::u16string& text) { return "\"" + ToUtf8String(text) + "\""; }

// The direct channel of a Standard TCP/IP port, or why it has none.
std::optional<DrawerChannel> TcpPortChannel(const std::u16string& port_name,
                                            SpoolerPortMonitor& monitor, std::string* reason) {
  std::string why;
  const std::optional<TcpPortConfig> config = monitor.ReadTcpPort(port_name, &why);
  if (!config) {
    *reason = "the port " + Quoted(port_name) +
              " is not a serial (COMn:), USB (USBnnn) or Standard TCP/IP port: " + why;
    return std::nullopt;
  }
  if (!config->raw) {
    *reason = "the port " + Quoted(port_name) +
              " is a Standard TCP/IP port in LPR mode, which cannot be read";
    return std::nullopt;
  }
  if (config->host.empty() || config->port == 0) {
    *reason = "the Standard TCP/IP port " + Quoted(port_name) + " names no host and port";
    return std::nullopt;
  }
  DrawerChannel channel;
  channel.kind = DrawerChannel::Kind::kTcp;
  channel.host = config->host;
  channel.tcp_port = config->port;
  return channel;
}

}  // namespace

std::optional<DrawerChannel> ParseDrawerChannel(const std::u16string& text) {
  const std::u16string upper = Upper(text);
  if (upper == u"NONE") return Channel(DrawerChannel::Kind::kNone);
  if (upper == u"PORT") return Channel(DrawerChannel::Kind::kPort);
  if (std::optional<std::u16string> serial = SerialPortName(text)) {
    return Channel(DrawerChannel::Kind::kSerial, *serial);
  }
  if (StartsWithFolded(text, u"USB:")) {
    std::optional<std::u16string> usb = UsbPortName(text.substr(4));
    if (!usb) return std::nullopt;
    return Channel(DrawerChannel::Kind::kUsb, *usb);
  }
  if (StartsWithFolded(text, u"TCP:")) return TcpChannel(text.substr(4));
  return std::nullopt;
}

std::string DescribeDrawerChannel(const DrawerChannel& channel) {
  switch (channel.kind) {
    case DrawerChannel::Kind::kNone:
      return "none";
    case DrawerChannel::Kind::kPort:
      return "port";
    case DrawerChannel::Kind::kSerial:
    case DrawerChannel::Kind::kUsb:
      return ToUtf8String(channel.device);
    case DrawerChannel::Kind::kTcp:
      break;
  }
  const bool ipv6 = channel.host.find(':') != std::string::npos;
  const std::string host = ipv6 ? "[" + channel.host + "]" : channel.host;
  return "tcp " + host + ":" + std::to_string(channel.tcp_port);
}

std::string FormatDrawerChannel(const DrawerChannel& channel) {
  switch (channel.kind) {
    case DrawerChannel::Kind::kTcp: {
      const std::string via = DescribeDrawerChannel(channel);
      return "tcp:" + via.substr(4);
    }
    case DrawerChannel::Kind::kUsb:
      return "usb:" + ToUtf8String(channel.device);
    case DrawerChannel::Kind::kNone:
    case DrawerChannel::Kind::kPort:
    case DrawerChannel::Kind::kSerial:
      break;
  }
  return DescribeDrawerChannel(channel);
}

std::optional<DrawerChannel> ChannelOfSpoolerPort(const std::u16string& port_name,
                                                  SpoolerPortMonitor& monitor,
                                                  std::string* reason) {
  // A serial port's spooler name ends in a colon ("COM1:").
  if (!port_name.empty() && port_name.back() == u':') {
    if (std::optional<std::u16string> serial =
            SerialPortName(port_name.substr(0, port_name.size() - 1))) {
      return Channel(DrawerChannel::Kind::kSerial, *serial);
    }
  }
  if (std::optional<std::u16string> usb = UsbPortName(port_name)) {
    return Channel(DrawerChannel::Kind::kUsb, *usb);
  }
  return TcpPortChannel(port_name, monitor, reason);
}

}  // namespace kestro
