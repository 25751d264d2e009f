#include "cash_drawer/drawer_channel.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "cash_drawer/testing/fake_port_monitor.h"
#include "cash_drawer/text_conversion.h"

namespace kestro {
namespace {

using Kind = DrawerChannel::Kind;
using kestro_testing::FakePortMonitor;

DrawerChannel Device(Kind kind, std::u16string device) {
  DrawerChannel channel;
  channel.kind = kind;
  channel.device = std::move(device);
  return channel;
}

DrawerChannel Tcp(std::string host, uint16_t port) {
  DrawerChannel channel;
  channel.kind = Kind::kTcp;
  channel.host = std::move(host);
  channel.tcp_port = port;
  return channel;
}

struct ParseCase {
  std::u16string text;
  std::optional<DrawerChannel> channel;
  std::string via;     // DescribeDrawerChannel of it
  std::string format;  // FormatDrawerChannel of it
};

TEST(ParseDrawerChannel, ReadsEachFormAndRejectsTheRest) {
  const std::optional<DrawerChannel> kRejected;
  // clang-format off
  const ParseCase cases[] = {
      {u"none", Device(Kind::kNone, u""), "none", "none"},
      {u"NONE", Device(Kind::kNone, u""), "none", "none"},
      {u"Port", Device(Kind::kPort, u""), "port", "port"},
      {u"COM3", Device(Kind::kSerial, u"COM3"), "COM3", "COM3"},
      {u"com1", Device(Kind::kSerial, u"COM1"), "COM1", "COM1"},
      {u"COM255", Device(Kind::kSerial, u"COM255"), "COM255", "COM255"},
      {u"usb:USB001", Device(Kind::kUsb, u"USB001"), "USB001", "usb:USB001"},
      {u"USB:usb012", Device(Kind::kUsb, u"USB012"), "USB012", "usb:USB012"},
      {u"tcp:192.168.1.50:9100", Tcp("192.168.1.50", 9100), "tcp 192.168.1.50:9100",
       "tcp:192.168.1.50:9100"},
      {u"TCP:printer-1.till.example:1", Tcp("printer-1.till.example", 1),
       "tcp printer-1.till.example:1", "tcp:printer-1.till.example:1"},
      {u"tcp:[fe80::1]:65535", Tcp("fe80::1", 65535), "tcp [fe80::1]:65535",
       "tcp:[fe80::1]:65535"},
      {u"", kRejected, "", ""},
      {u"COM", kRejected, "", ""},
      {u"COM0", kRejected, "", ""},
      {u"COM256", kRejected, "", ""},
      {u"COM03", kRejected, "", ""},
      {u"COM3:", kRejected, "", ""},
      {u" COM3", kRejected, "", ""},
      {u"COM\uFF13", kRejected, "", ""},
      {u"LPT1", kRejected, "", ""},
      {u"USB001", kRejected, "", ""},
      {u"usb:USB01", kRejected, "", ""},
      {u"usb:USB0001", kRejected, "", ""},
      {u"usb:COM3", kRejected, "", ""},
      {u"tcp:192.168.1.50", kRejected, "", ""},
      {u"tcp:192.168.1.50:0", kRejected, "", ""},
      {u"tcp:192.168.1.50:65536", kRejected, "", ""},
      {u"tcp:192.168.1.50:09100", kRejected, "", ""},
      {u"tcp::9100", kRejected, "", ""},
      {u"tcp:fe80::1:9100", kRejected, "", ""},
      {u"tcp:[]:9100", kRejected, "", ""},
      {u"tcp:[printer]:9100", kRejected, "", ""},
      {u"tcp:till printer:9100", kRejected, "", ""},
      {u"tcp:k\u00FCche:9100", kRejected, "", ""},
      {u"tcp 192.168.1.50:9100", kRejected, "", ""},
      {u"spooler", kRejected, "", ""},
  };
  // clang-format on
  for (const ParseCase& c : cases) {
    SCOPED_TRACE(ToUtf8String(c.text));
    const std::optional<DrawerChannel> channel = ParseDrawerChannel(c.text);
    ASSERT_EQ(channel.has_value(), c.channel.has_value());
    if (!channel) continue;
    EXPECT_EQ(*channel, *c.channel);
    EXPECT_EQ(DescribeDrawerChannel(*channel), c.via);
    EXPECT_EQ(FormatDrawerChannel(*channel), c.format);
    const std::string format = FormatDrawerChannel(*channel);
    EXPECT_EQ(ParseDrawerChannel(ToWideString(format)), channel);
  }
}

struct PortCase {
  std::u16string port;
  std::optional<DrawerChannel> channel;
  std::string reason;
  std::vector<std::u16string> monitor_asked;
};

TEST(ChannelOfSpoolerPort, GivesSerialUsbAndRawTcpPortsAndSaysWhyNotOthers) {
  const std::string not_tcp = FakePortMonitor::kNotTcpReason;
  // clang-format off
  const PortCase cases[] = {
      {u"COM1:", Device(Kind::kSerial, u"COM1"), "", {}},
      {u"com12:", Device(Kind::kSerial, u"COM12"), "", {}},
      {u"USB001", Device(Kind::kUsb, u"USB001"), "", {}},
      {u"usb003", Device(Kind::kUsb, u"USB003"), "", {}},
      {u"IP_192.168.1.50", Tcp("192.168.1.50", 9100), "", {u"IP_192.168.1.50"}},
      {u"IP_10.0.0.9", std::nullopt,
       "the port \"IP_10.0.0.9\" is a Standard TCP/IP port in LPR mode, which cannot be read",
       {u"IP_10.0.0.9"}},
      {u"IP_empty", std::nullopt,
       "the Standard TCP/IP port \"IP_empty\" names no host and port", {u"IP_empty"}},
      {u"COM1", std::nullopt,
       "the port \"COM1\" is not a serial (COMn:), USB (USBnnn) or Standard TCP/IP port: " +
           not_tcp,
       {u"COM1"}},
      {u"COM0:", std::nullopt,
       "the port \"COM0:\" is not a serial (COMn:), USB (USBnnn) or Standard TCP/IP port: " +
           not_tcp,
       {u"COM0:"}},
      {u"LPT1:", std::nullopt,
       "the port \"LPT1:\" is not a serial (COMn:), USB (USBnnn) or Standard TCP/IP port: " +
           not_tcp,
       {u"LPT1:"}},
      {u"|cat >> 'receipt.bin'", std::nullopt,
       "the port \"|cat >> 'receipt.bin'\" is not a serial (COMn:), USB (USBnnn) or Standard "
       "TCP/IP port: " + not_tcp,
       {u"|cat >> 'receipt.bin'"}},
      {u"", std::nullopt,
       "the port \"\" is not a serial (COMn:), USB (USBnnn) or Standard TCP/IP port: " + not_tcp,
       {u""}},
  };
  // clang-format on
  for (const PortCase& c : cases) {
    SCOPED_TRACE(ToUtf8String(c.port));
    FakePortMonitor monitor({{u"IP_192.168.1.50", {"192.168.1.50", 9100, true}},
                             {u"IP_10.0.0.9", {"10.0.0.9", 515, false}},
                             {u"IP_empty", {"", 0, true}}});
    std::string reason;
    EXPECT_EQ(ChannelOfSpoolerPort(c.port, monitor, &reason), c.channel);
    EXPECT_EQ(reason, c.reason);
    EXPECT_EQ(monitor.asked(), c.monitor_asked);
  }
}

}  // namespace
}  // namespace kestro
