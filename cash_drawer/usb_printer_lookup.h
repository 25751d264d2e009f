// Finds the USB printer-class device behind a spooler port such as "USB001".
// Windows's USB port monitor names each port after two values that the
// device's printer interface keeps in its registry key: "Base Name" ("USB")
// followed by "Port Number" written with at least three digits. The system's
// device calls sit behind UsbPrintDevices, so that the lookup runs and is
// tested without Windows.

#ifndef KESTRO_CASH_DRAWER_USB_PRINTER_LOOKUP_H_
#define KESTRO_CASH_DRAWER_USB_PRINTER_LOOKUP_H_

#include <cstdint>
#include <optional>
#include <string>

namespace kestro {

// What the registry key of one USB printer interface holds.
struct UsbPrintInterfaceKey {
  std::optional<uint32_t> port_number;      // "Port Number", a DWORD
  std::optional<std::u16string> base_name;  // "Base Name", a string
};

// The present USB printer-class interfaces of the machine.
class UsbPrintDevices {
 public:
  virtual ~UsbPrintDevices() = default;

  // Takes a new list of the present interfaces of the USB printer class
  // (SetupDiGetClassDevsW with GUID_DEVINTERFACE_USBPRINT, DIGCF_PRESENT |
  // DIGCF_DEVICEINTERFACE), replacing the one taken before. False, with
  // `*reason` naming the call and its code, when there is none.
  virtual bool List(std::string* reason) = 0;

  enum class Step {
    kFound,   // `*path` is set
    kNoMore,  // `index` is past the last interface
    kFailed,  // this interface cannot be read; `*reason` says why
  };
  // The device path of the interface at `index` of the list
  // (SetupDiEnumDeviceInterfaces, SetupDiGetDeviceInterfaceDetailW).
  virtual Step InterfaceAt(uint32_t index, std::u16string* path, std::string* reason) = 0;

  // The values in the registry key of the interface at `index`
  // (SetupDiOpenDeviceInterfaceRegKey); nullopt when the key cannot be opened.
  virtual std::optional<UsbPrintInterfaceKey> ReadKey(uint32_t index) = 0;
};

// The spooler port an interface's key names: the base name ("USB" when the
// key holds none) and the port number with at least three digits ("USB001");
// nullopt without a port number.
std::optional<std::u16string> UsbPortNameOfKey(const UsbPrintInterfaceKey& key);

// The device path of the first listed interface whose port is `port_name`,
// compared without regard to letter case. nullopt when the list cannot be
// taken or holds no such interface, and `*reason` then says why.
std::optional<std::u16string> FindUsbPrinterPath(const std::u16string& port_name,
                                                 UsbPrintDevices& devices, std::string* reason);

}  // namespace kestro

#endif  // KESTRO_CASH_DRAWER_USB_PRINTER_LOOKUP_H_
