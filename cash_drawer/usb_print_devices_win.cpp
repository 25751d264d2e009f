#include "cash_drawer/usb_print_devices_win.h"

#include <vector>

#include "cash_drawer/call_failure.h"
#include "cash_drawer/registry_value_win.h"
#include "text/wide_chars.h"

namespace kestro {
namespace {

// GUID_DEVINTERFACE_USBPRINT, the interface class of USB printers.
constexpr GUID kUsbPrintInterfaceClass = {
    0x28d78fad, 0x5a12, 0x11d1, {0xae, 0x5b, 0x00, 0x00, 0xf8, 0x03, 0xa8, 0xc2}};

constexpr char16_t kPortNumberValue[] = u"Port Number";
constexpr char16_t kBaseNameValue[] = u"Base Name";

}  // namespace

bool SystemUsbPrintDevices::List(std::string* reason) {
  list_.reset(::SetupDiGetClassDevsW(&kUsbPrintInterfaceClass, nullptr, nullptr,
                                     DIGCF_PRESENT | DIGCF_DEVICEINTERFACE));
  if (list_.valid()) return true;
  *reason = CallFailure("SetupDiGetClassDevsW for the USB printer class", ::GetLastError());
  return false;
}

bool SystemUsbPrintDevices::Enumerate(uint32_t index, SP_DEVICE_INTERFACE_DATA* data) const {
  *data = {};
  data->cbSize = sizeof(*data);
  return ::SetupDiEnumDeviceInterfaces(list_.get(), nullptr, &kUsbPrintInterfaceClass, index,
                                       data) != FALSE;
}

UsbPrintDevices::Step SystemUsbPrintDevices::InterfaceAt(uint32_t index, std::u16string* path,
                                                         std::string* reason) {
  SP_DEVICE_INTERFACE_DATA data;
  if (!Enumerate(index, &data)) {
    const DWORD error = ::GetLastError();
    if (error == ERROR_NO_MORE_ITEMS) return Step::kNoMore;
    *reason = CallFailure("SetupDiEnumDeviceInterfaces", error);
    return Step::kFailed;
  }
  DWORD needed = 0;
  ::SetupDiGetDeviceInterfaceDetailW(list_.get(), &data, nullptr, 0, &needed, nullptr);
  if (needed < sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W)) {
    *reason = CallFailure("SetupDiGetDeviceInterfaceDetailW", ::GetLastError());
    return Step::kFailed;
  }
  std::vector<BYTE> buffer(needed, 0);
  auto* detail = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_W*>(buffer.data());
  // The size of the fixed part, whatever the path's length.
  detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W);
  if (!::SetupDiGetDeviceInterfaceDetailW(list_.get(), &data, detail, needed, nullptr, nullptr)) {
    *reason = CallFailure("SetupDiGetDeviceInterfaceDetailW", ::GetLastError());
    return Step::kFailed;
  }
  *path = text::AsU16Chars(detail->DevicePath);
  return Step::kFound;
}

std::optional<UsbPrintInterfaceKey> SystemUsbPrintDevices::ReadKey(uint32_t index) {
  SP_DEVICE_INTERFACE_DATA data;
  if (!Enumerate(index, &data)) return std::nullopt;
  const HKEY opened = ::SetupDiOpenDeviceInterfaceRegKey(list_.get(), &data, 0, KEY_QUERY_VALUE);
  // The call gives INVALID_HANDLE_VALUE, not null, when it fails.
  if (opened == reinterpret_cast<HKEY>(INVALID_HANDLE_VALUE)) return std::nullopt;
  const ScopedRegistryKey key(opened);
  return UsbPrintInterfaceKey{ReadRegistryDword(key.get(), kPortNumberValue),
                              ReadRegistryString(key.get(), kBaseNameValue, nullptr)};
}

}  // namespace kestro
