// The drawer's direct channels under Wine against the fake drawer device
// (e2e/fake_drawer.py), which e2e/drawer_link_wine_test.py starts before
// this program, in a prefix of its own whose COM1 is the device's serial
// line. The driver passes the device's TCP port, control port and pty in the
// environment, and writes the registry values the settings test reads.

#include <gtest/gtest.h>
#include <windows.h>
#include <winsock2.h>

#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "cash_drawer/cash_drawer_handler.h"
#include "cash_drawer/drawer_link.h"
#include "cash_drawer/link_deadline.h"
#include "cash_drawer/overlapped_device_link_win.h"
#include "cash_drawer/registry_settings_store_win.h"
#include "cash_drawer/scoped_win_handle_win.h"
#include "cash_drawer/system_drawer_link_opener_win.h"
#include "cash_drawer/system_print_spooler_win.h"
#include "cash_drawer/system_xcv_calls_win.h"
#include "cash_drawer/tcp_drawer_link_win.h"
#include "text/hex.h"
#include "tools/wine_printers/printer_admin_win.h"

namespace kestro {
namespace {

using Bytes = std::vector<uint8_t>;
using ReceiveStatus = DrawerLink::ReceiveStatus;

const Bytes kEscPosRequest = {0x10, 0x04, 0x01};
const Bytes kStarRequest = {0x1B, 0x06, 0x01};
// Long enough never to run out on a loaded machine, short enough that a
// link that ignored it fails the test rather than hangs it.
constexpr int64_t kAnswerMs = 5000;
constexpr int64_t kSilenceMs = 300;

uint16_t PortFromEnvironment(const char* name) {
  const char* value = std::getenv(name);
  return value == nullptr ? 0 : static_cast<uint16_t>(std::atoi(value));
}

std::string TextFromEnvironment(const char* name) {
  const char* value = std::getenv(name);
  return value == nullptr ? std::string() : std::string(value);
}

std::string Hex(const Bytes& bytes) { return text::ToHex(bytes); }

// One line to the device's control port, one line back.
std::string Control(const std::string& command) {
  WSADATA data;
  ::WSAStartup(MAKEWORD(2, 2), &data);
  std::string reply;
  SOCKET control = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  sockaddr_in address = {};
  address.sin_family = AF_INET;
  address.sin_port = ::htons(PortFromEnvironment("KESTRO_FAKE_DRAWER_CONTROL_PORT"));
  address.sin_addr.s_addr = ::htonl(INADDR_LOOPBACK);
  DWORD wait_ms = 10000;
  ::setsockopt(control, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&wait_ms),
               sizeof(wait_ms));
  if (::connect(control, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0) {
    const std::string line = command + "\n";
    ::send(control, line.data(), static_cast<int>(line.size()), 0);
    char c = 0;
    while (::recv(control, &c, 1, 0) == 1 && c != '\n') reply.push_back(c);
  }
  ::closesocket(control);
  ::WSACleanup();
  return reply;
}

// The bytes that arrive within `timeout_ms` until there are `count`, and how
// the last receive ended.
struct Received {
  Bytes bytes;
  ReceiveStatus last = ReceiveStatus::kTimedOut;
};
Received ReceiveUpTo(DrawerLink& link, size_t count, int64_t timeout_ms) {
  const LinkDeadline deadline(timeout_ms);
  Received received;
  std::string reason;
  while (received.bytes.size() < count) {
    received.last = link.Receive(deadline.RemainingMs(), &received.bytes, &reason);
    if (received.last != ReceiveStatus::kData) break;
  }
  return received;
}

DrawerChannel SerialChannel(const std::u16string& port) {
  DrawerChannel channel;
  channel.kind = DrawerChannel::Kind::kSerial;
  channel.device = port;
  return channel;
}

DrawerChannel TcpChannel(uint16_t port) {
  DrawerChannel channel;
  channel.kind = DrawerChannel::Kind::kTcp;
  channel.host = "127.0.0.1";
  channel.tcp_port = port;
  return channel;
}

struct Transport {
  const char* name;  // the device's name for it
  DrawerChannel channel;
};
std::vector<Transport> Transports() {
  return {{"serial", SerialChannel(u"COM1")},
          {"tcp", TcpChannel(PortFromEnvironment("KESTRO_FAKE_DRAWER_TCP_PORT"))}};
}

std::unique_ptr<DrawerLink> OpenLink(const DrawerChannel& channel) {
  SystemDrawerLinkOpener opener;
  LinkOpenResult result = opener.Open(channel, kAnswerMs);
  EXPECT_EQ(result.status, LinkOpenStatus::kOpened) << result.reason;
  return std::move(result.link);
}

// Every test starts with the device answering, its drawer closed and nothing
// received.
class FakeDrawerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(Control("mode normal"), "ok") << "the fake drawer device does not answer";
    ASSERT_EQ(Control("close"), "ok");
    ASSERT_EQ(Control("clear"), "ok");
  }
  void TearDown() override { Control("mode normal"); }
};

// Each request crosses whole, and the whole answer comes back, for the
// drawer in either state, over either transport.
TEST_F(FakeDrawerTest, RequestsAndAnswersCrossWhole) {
  struct Case {
    const char* drawer;
    Bytes request;
    Bytes answer;
  };
  // The device's switch is low while the drawer is open.
  const Case cases[] = {
      {"close", kEscPosRequest, {0x16}},
      {"open", kEscPosRequest, {0x12}},
      {"close", kStarRequest, {0x23, 0x02, 0x04, 0, 0, 0, 0, 0, 0}},
      {"open", kStarRequest, {0x23, 0x02, 0x00, 0, 0, 0, 0, 0, 0}},
  };
  for (const Transport& transport : Transports()) {
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(transport.name) + ", drawer " + c.drawer + ", " + Hex(c.request));
      ASSERT_EQ(Control(c.drawer), "ok");
      ASSERT_EQ(Control("clear"), "ok");
      std::unique_ptr<DrawerLink> link = OpenLink(transport.channel);
      ASSERT_NE(link, nullptr);
      std::string reason;
      ASSERT_TRUE(link->Send(c.request, kAnswerMs, &reason)) << reason;
      EXPECT_EQ(Hex(ReceiveUpTo(*link, c.answer.size(), kAnswerMs).bytes), Hex(c.answer));
      EXPECT_EQ(Control(std::string("received ") + transport.name), Hex(c.request));
    }
  }
}

// A device that says nothing leaves the receive to its time; one that
// turns every connection away is busy; a port that is not there fails.
TEST_F(FakeDrawerTest, SilentBusyAndMissingChannels) {
  for (const Transport& transport : Transports()) {
    SCOPED_TRACE(transport.name);
    ASSERT_EQ(Control("mode silent"), "ok");
    std::unique_ptr<DrawerLink> link = OpenLink(transport.channel);
    ASSERT_NE(link, nullptr);
    std::string reason;
    ASSERT_TRUE(link->Send(kEscPosRequest, kAnswerMs, &reason)) << reason;
    const Received received = ReceiveUpTo(*link, 1, kSilenceMs);
    EXPECT_EQ(received.last, ReceiveStatus::kTimedOut);
    EXPECT_EQ(Hex(received.bytes), "");
    EXPECT_EQ(Control(std::string("received ") + transport.name), Hex(kEscPosRequest));
  }

  ASSERT_EQ(Control("mode busy"), "ok");
  SystemDrawerLinkOpener opener;
  struct Case {
    DrawerChannel channel;
    LinkOpenStatus status;
    std::string reason;
  };
  const uint16_t tcp_port = PortFromEnvironment("KESTRO_FAKE_DRAWER_TCP_PORT");
  const Case cases[] = {
      // Under Wine the busy device's serial line is a directory: access denied.
      {SerialChannel(u"COM1"), LinkOpenStatus::kBusy,
       "CreateFileW on \\\\.\\COM1 failed with error 5"},
      {TcpChannel(tcp_port), LinkOpenStatus::kBusy,
       "connect to 127.0.0.1:" + std::to_string(tcp_port) + " failed with error 10061"},
      {SerialChannel(u"COM9"), LinkOpenStatus::kFailed,
       "CreateFileW on \\\\.\\COM9 failed with error 2"},
  };
  for (const Case& c : cases) {
    const LinkOpenResult result = opener.Open(c.channel, kAnswerMs);
    EXPECT_EQ(result.status, c.status) << c.reason;
    EXPECT_EQ(result.reason, c.reason);
    EXPECT_EQ(result.link, nullptr);
  }
}

// A status frame that arrived before the request is dropped, so that only
// the answer is read.
TEST_F(FakeDrawerTest, DiscardPendingDropsAStaleFrame) {
  std::unique_ptr<DrawerLink> link = OpenLink(SerialChannel(u"COM1"));
  ASSERT_NE(link, nullptr);
  ASSERT_EQ(Control("open"), "ok");
  // The device has written the frame into the line when it answers.
  ASSERT_EQ(Control("frame star"), "ok");
  link->DiscardPending();
  std::string reason;
  ASSERT_TRUE(link->Send(kEscPosRequest, kAnswerMs, &reason)) << reason;
  const Received received = ReceiveUpTo(*link, 2, kSilenceMs);
  EXPECT_EQ(Hex(received.bytes), "12");
}

// A name no name server knows fails within the time, whether the lookup
// says so or is given up.
TEST(TcpDrawerLinkTest, UnknownHostFailsWithinItsTime) {
  const LinkOpenResult result = OpenTcpDrawerLink("no-such-printer.invalid", 9100, 500);
  EXPECT_EQ(result.status, LinkOpenStatus::kFailed);
  const bool named =
      result.reason.rfind("GetAddrInfoW for no-such-printer.invalid failed", 0) == 0 ||
      result.reason == "looking up no-such-printer.invalid did not finish within 500 ms";
  EXPECT_TRUE(named) << result.reason;
}

// The overlapped link, against a named pipe standing in for the USB device:
// what it sends arrives whole, a stale answer is dropped, a silent device
// times out, and a closed one is broken.
TEST(OverlappedDeviceLinkTest, TalksToADevice) {
  const std::u16string path = u"\\\\.\\pipe\\kestro-drawer-link-test";
  ScopedFileHandle device(::CreateNamedPipeW(reinterpret_cast<const wchar_t*>(path.c_str()),
                                             PIPE_ACCESS_DUPLEX, PIPE_TYPE_BYTE | PIPE_WAIT, 1,
                                             65536, 65536, 0, nullptr));
  ASSERT_TRUE(device.valid()) << ::GetLastError();
  LinkOpenResult opened = OpenOverlappedDeviceLink(path);
  ASSERT_EQ(opened.status, LinkOpenStatus::kOpened) << opened.reason;
  DrawerLink& link = *opened.link;
  std::string reason;

  ASSERT_TRUE(link.Send(kStarRequest, kAnswerMs, &reason)) << reason;
  Bytes arrived(16);
  DWORD count = 0;
  ASSERT_TRUE(::ReadFile(device.get(), arrived.data(), static_cast<DWORD>(arrived.size()), &count,
                         nullptr));
  arrived.resize(count);
  EXPECT_EQ(Hex(arrived), Hex(kStarRequest));

  const Bytes stale = {0x10, 0, 0, 0};
  const Bytes answer = {0x16};
  ASSERT_TRUE(::WriteFile(device.get(), stale.data(), 4, &count, nullptr));
  link.DiscardPending();
  ASSERT_TRUE(::WriteFile(device.get(), answer.data(), 1, &count, nullptr));
  EXPECT_EQ(Hex(ReceiveUpTo(link, 2, kSilenceMs).bytes), "16");

  // A device that streams without end: the discarding stops after its
  // reads, and what is left is still there to be read.
  const Bytes stream((kDiscardReads + 8) * kDeviceReadBytes, 0x10);
  ASSERT_TRUE(
      ::WriteFile(device.get(), stream.data(), static_cast<DWORD>(stream.size()), &count, nullptr));
  link.DiscardPending();
  const Bytes left(8 * kDeviceReadBytes, 0x10);
  EXPECT_EQ(Hex(ReceiveUpTo(link, left.size(), kAnswerMs).bytes), Hex(left));

  const Received silent = ReceiveUpTo(link, 1, kSilenceMs);
  EXPECT_EQ(silent.last, ReceiveStatus::kTimedOut);
  EXPECT_EQ(Hex(silent.bytes), "");

  device.reset();
  Bytes after_close;
  EXPECT_EQ(link.Receive(kAnswerMs, &after_close, &reason), ReceiveStatus::kBroken);
  EXPECT_EQ(reason, "ReadFile on \\\\.\\pipe\\kestro-drawer-link-test failed with error 109");
  EXPECT_EQ(Hex(after_close), "");
}

// What the driver wrote with Wine's reg, read back: strings in both scopes,
// a DWORD and an unexpanded string as the wrong type, and names that are
// not there.
TEST(RegistrySettingsStoreTest, ReadsWhatAnAdministratorWrote) {
  struct Case {
    SettingScope scope;
    std::u16string list;
    std::u16string name;
    std::optional<std::u16string> value;
    bool wrong_type;
  };
  const Case cases[] = {
      {SettingScope::kPolicy, u"DrawerStateVia", u"Receipt Printer", u"COM1", false},
      {SettingScope::kPolicy, u"DrawerOpenLevel", u"Receipt Printer", std::nullopt, true},
      {SettingScope::kPolicy, u"DrawerStateVia", u"Office Laser", std::nullopt, false},
      {SettingScope::kMachine, u"DrawerStateVia", u"Receipt Printer", u"tcp:127.0.0.1:9100", false},
      {SettingScope::kMachine, u"DrawerStateVia", u"K\u00fcchendrucker", u"usb:USB001", false},
      {SettingScope::kMachine, u"DrawerStateVia", u"Expanded", std::nullopt, true},
      // Written in the 32-bit view only.
      {SettingScope::kMachine, u"DrawerStateVia", u"Only32", std::nullopt, false},
      {SettingScope::kMachine, u"DrawerOpenLevel", u"Receipt Printer", u"high", false},
      {SettingScope::kMachine, u"DrawerOpenLevel", u"Office Laser", u"", false},
      {SettingScope::kMachine, u"NoSuchList", u"Receipt Printer", std::nullopt, false},
      {SettingScope::kPolicy, u"DrawerStateVia", std::u16string(u"Receipt Printer\0x", 17),
       std::nullopt, false},
  };
  RegistrySettingsStore store;
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.list.begin(), c.list.end()) + " " +
                 std::string(c.name.begin(), c.name.end()));
    bool wrong_type = false;
    EXPECT_EQ(store.ReadListEntry(c.scope, c.list, c.name, &wrong_type), c.value);
    EXPECT_EQ(wrong_type, c.wrong_type);
  }
}

// The numbers the driver wrote: a DWORD in each scope, the largest one
// there is, a string and a QWORD as the wrong type, one written in the
// 32-bit view only, and names that are not there.
TEST(RegistrySettingsStoreTest, ReadsTheNumbersAnAdministratorWrote) {
  struct Case {
    SettingScope scope;
    std::u16string name;
    std::optional<uint32_t> value;
    bool wrong_type;
  };
  const Case cases[] = {
      {SettingScope::kPolicy, u"ExpireAfterMs", 5000, false},
      {SettingScope::kMachine, u"ExpireAfterMs", 0xFFFFFFFFu, false},
      {SettingScope::kPolicy, u"OpenWarningSeconds", std::nullopt, true},
      {SettingScope::kMachine, u"DrawerLog", std::nullopt, true},
      {SettingScope::kMachine, u"DrawerLogSizeKB", std::nullopt, false},
      {SettingScope::kPolicy, u"DrawerLog", std::nullopt, false},
      // A list's name is a subkey, not a value of the key.
      {SettingScope::kMachine, u"DrawerStateVia", std::nullopt, false},
      {SettingScope::kPolicy, std::u16string(u"ExpireAfterMs\0x", 15), std::nullopt, false},
  };
  RegistrySettingsStore store;
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.name.begin(), c.name.end()));
    bool wrong_type = false;
    EXPECT_EQ(store.ReadNumber(c.scope, c.name, &wrong_type), c.value);
    EXPECT_EQ(wrong_type, c.wrong_type);
  }
}

// Wine's spooler, asked about ports that are no Standard TCP/IP port, and
// the USB lookup on a machine without USB printers: failures with reasons.
TEST(SystemLookupsTest, PortsThatCannotBeReadSayWhy) {
  SystemSpoolerPortMonitor monitor;
  struct Case {
    std::u16string port;
    std::string reason;
  };
  const Case cases[] = {
      {u"FILE:", "XcvDataW GetConfigInfo on \",XcvPort FILE:\" failed with error 87"},
      {u"NoSuchPort", "OpenPrinterW on \",XcvPort NoSuchPort\" failed with error 1796"},
      {u"|cat > /dev/null",
       "XcvDataW GetConfigInfo on \",XcvPort |cat > /dev/null\" failed with error 87"},
  };
  for (const Case& c : cases) {
    std::string reason;
    EXPECT_EQ(monitor.ReadTcpPort(c.port, &reason), std::nullopt);
    EXPECT_EQ(reason, c.reason);
  }
  DrawerChannel usb;
  usb.kind = DrawerChannel::Kind::kUsb;
  usb.device = u"USB001";
  const LinkOpenResult result = SystemDrawerLinkOpener().Open(usb, kAnswerMs);
  EXPECT_EQ(result.status, LinkOpenStatus::kFailed);
  EXPECT_EQ(result.reason,
            "no present USB printer has the port USB001 (0 USB printer interfaces looked at)");
}

// A kick printed to a printer whose port pipes into the device's terminal
// reaches it byte for byte (a pulse of 10 is a line feed, which a terminal
// in its usual mode would turn into two bytes), opens the drawer, and the
// serial link then reads it open.
TEST_F(FakeDrawerTest, AKickThroughTheSpoolerReachesTheDevice) {
  const std::wstring printer = L"Kestro Pty Drawer";
  const std::string pty = TextFromEnvironment("KESTRO_FAKE_DRAWER_PTY");
  ASSERT_FALSE(pty.empty());
  ASSERT_EQ(
      wine_printers::AddTestPrinter(printer, L"|cat > " + std::wstring(pty.begin(), pty.end())),
      ERROR_SUCCESS);
  SystemPrintSpooler spooler;
  const OpenDrawerOutcome outcome = RunOpenDrawer(
      flutter::ValueMap{{"printerName", "Kestro Pty Drawer"}, {"pulseOn", 10}}, spooler);
  EXPECT_TRUE(outcome.job.sent);
  const LinkDeadline deadline(30000);
  while (Control("received serial").size() < 10 && !deadline.Passed()) ::Sleep(50);
  EXPECT_EQ(Control("received serial"), "1b70000afa");
  EXPECT_EQ(Control("drawer"), "open");

  std::unique_ptr<DrawerLink> link = OpenLink(SerialChannel(u"COM1"));
  ASSERT_NE(link, nullptr);
  std::string reason;
  ASSERT_TRUE(link->Send(kEscPosRequest, kAnswerMs, &reason)) << reason;
  EXPECT_EQ(Hex(ReceiveUpTo(*link, 1, kAnswerMs).bytes), "12");
  EXPECT_EQ(wine_printers::RemovePrinter(printer), ERROR_SUCCESS);
}

}  // namespace
}  // namespace kestro
