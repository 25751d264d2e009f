// The machine's USB printer-class interfaces through the device installation
// functions (setupapi), behind UsbPrintDevices.

#ifndef KESTRO_CASH_DRAWER_USB_PRINT_DEVICES_WIN_H_
#define KESTRO_CASH_DRAWER_USB_PRINT_DEVICES_WIN_H_

#include <windows.h>
// Needs the declarations of <windows.h> first.
#include <setupapi.h>

#include <cstdint>
#include <optional>
#include <string>

#include "cash_drawer/scoped_win_handle_win.h"
#include "cash_drawer/usb_printer_lookup.h"

namespace kestro {

// A device information set (SetupDiGetClassDevsW).
struct DeviceInfoListTraits {
  using Handle = HDEVINFO;
  static Handle Invalid() { return INVALID_HANDLE_VALUE; }
  static void Close(Handle list) { ::SetupDiDestroyDeviceInfoList(list); }
};

// Holds the last list taken; used from one thread at a time.
class SystemUsbPrintDevices : public UsbPrintDevices {
 public:
  bool List(std::string* reason) override;
  Step InterfaceAt(uint32_t index, std::u16string* path, std::string* reason) override;
  std::optional<UsbPrintInterfaceKey> ReadKey(uint32_t index) override;

 private:
  // The interface at `index`, or false with the last-error code set.
  bool Enumerate(uint32_t index, SP_DEVICE_INTERFACE_DATA* data) const;

  ScopedWinHandle<DeviceInfoListTraits> list_;
};

}  // namespace kestro

#endif  // KESTRO_CASH_DRAWER_USB_PRINT_DEVICES_WIN_H_
