#include "cash_drawer/usb_printer_lookup.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace kestro {
namespace {

// The present interfaces, each read or failing as the test says, and every
// call made, in order.
class FakeUsbPrintDevices : public UsbPrintDevices {
 public:
  struct Interface {
    std::u16string path;                      // empty: InterfaceAt fails
    std::optional<UsbPrintInterfaceKey> key;  // nullopt: the key cannot be opened
  };

  bool List(std::string* reason) override {
    calls.push_back("List");
    if (list_fails) *reason = "SetupDiGetClassDevsW for the USB printer class failed with error 8";
    return !list_fails;
  }

  Step InterfaceAt(uint32_t index, std::u16string* path, std::string* reason) override {
    calls.push_back("InterfaceAt " + std::to_string(index));
    if (index >= interfaces.size()) return Step::kNoMore;
    if (interfaces[index].path.empty()) {
      *reason = "SetupDiGetDeviceInterfaceDetailW failed with error 13";
      return Step::kFailed;
    }
    *path = interfaces[index].path;
    return Step::kFound;
  }

  std::optional<UsbPrintInterfaceKey> ReadKey(uint32_t index) override {
    calls.push_back("ReadKey " + std::to_string(index));
    return interfaces[index].key;
  }

  bool list_fails = false;
  std::vector<Interface> interfaces;
  std::vector<std::string> calls;
};

UsbPrintInterfaceKey Key(uint32_t number, std::optional<std::u16string> base = u"USB") {
  return {number, std::move(base)};
}

TEST(UsbPortNameOfKeyTest, NamesThePortAsTheMonitorDoes) {
  struct Case {
    UsbPrintInterfaceKey key;
    std::optional<std::u16string> name;
  };
  const Case cases[] = {
      {Key(1), u"USB001"},
      {Key(1234), u"USB1234"},
      {Key(7, u"DOT4"), u"DOT4007"},
      {Key(2, std::nullopt), u"USB002"},
      {{std::nullopt, u"USB"}, std::nullopt},
  };
  for (const Case& c : cases) EXPECT_EQ(UsbPortNameOfKey(c.key), c.name);
}

TEST(FindUsbPrinterPathTest, WalksTheInterfacesInOrder) {
  using Interface = FakeUsbPrintDevices::Interface;
  const std::vector<Interface> machine = {
      {u"\\\\?\\usb#a", std::nullopt},                                // key cannot be opened
      {u"", std::nullopt},                                            // interface cannot be read
      {u"\\\\?\\usb#b", UsbPrintInterfaceKey{std::nullopt, u"USB"}},  // no port number
      {u"\\\\?\\usb#c", Key(1)},
      {u"\\\\?\\usb#d", Key(2, u"DOT4")},
      {u"\\\\?\\usb#e", Key(3)},
      {u"\\\\?\\usb#f", Key(3)},  // a second USB003: the first one counts
  };
  const std::vector<std::string> walk_all = {
      "List",          "InterfaceAt 0", "ReadKey 0",     "InterfaceAt 1", "InterfaceAt 2",
      "ReadKey 2",     "InterfaceAt 3", "ReadKey 3",     "InterfaceAt 4", "ReadKey 4",
      "InterfaceAt 5", "ReadKey 5",     "InterfaceAt 6", "ReadKey 6",     "InterfaceAt 7"};
  auto walk_to = [&](size_t calls) {
    return std::vector<std::string>(walk_all.begin(), walk_all.begin() + calls);
  };
  struct Case {
    std::u16string port;
    bool list_fails;
    std::optional<std::u16string> path;
    std::string reason;
    std::vector<std::string> calls;
  };
  const Case cases[] = {
      {u"USB001", false, u"\\\\?\\usb#c", "", walk_to(8)},
      {u"usb001", false, u"\\\\?\\usb#c", "", walk_to(8)},
      {u"Dot4002", false, u"\\\\?\\usb#d", "", walk_to(10)},
      {u"USB003", false, u"\\\\?\\usb#e", "", walk_to(12)},
      {u"USB002", false, std::nullopt,
       "no present USB printer has the port USB002 (7 USB printer interfaces looked at; one "
       "could not be read: SetupDiGetDeviceInterfaceDetailW failed with error 13)",
       walk_all},
      {u"USB001",
       true,
       std::nullopt,
       "SetupDiGetClassDevsW for the USB printer class failed with error 8",
       {"List"}},
  };
  for (const Case& c : cases) {
    FakeUsbPrintDevices devices;
    devices.interfaces = machine;
    devices.list_fails = c.list_fails;
    std::string reason;
    EXPECT_EQ(FindUsbPrinterPath(c.port, devices, &reason), c.path);
    EXPECT_EQ(reason, c.reason);
    EXPECT_EQ(devices.calls, c.calls);
  }
}

}  // namespace
}  // namespace kestro
