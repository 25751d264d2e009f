#include "cash_drawer/system_xcv_calls_win.h"

#include <windows.h>
#include <winspool.h>

#include <cstddef>

#include "cash_drawer/scoped_printer_handle_win.h"
#include "text/wide_chars.h"

namespace kestro {
namespace {

// PORT_DATA_1 and CONFIG_INFO_DATA_1 of tcpxcv.h, which mingw-w64 does not
// ship, as Microsoft documents them. Only their layout is used: it checks the
// offsets that XcvPortMonitor reads the answer's bytes at.
struct PortData1 {
  WCHAR sztPortName[64];  // MAX_PORTNAME_LEN
  DWORD dwVersion;
  DWORD dwProtocol;
  DWORD cbSize;
  DWORD dwReserved;
  WCHAR sztHostAddress[49];    // MAX_NETWORKNAME_LEN
  WCHAR sztSNMPCommunity[33];  // MAX_SNMP_COMMUNITY_STR_LEN
  DWORD dwDoubleSpool;
  WCHAR sztQueue[33];      // MAX_QUEUENAME_LEN
  WCHAR sztIPAddress[16];  // MAX_IPADDR_STR_LEN
  BYTE Reserved[540];
  DWORD dwPortNumber;
  DWORD dwSNMPEnabled;
  DWORD dwSNMPDevIndex;
};
struct ConfigInfoData1 {
  BYTE Reserved[128];
  DWORD dwVersion;
};
static_assert(offsetof(PortData1, dwVersion) == port_data_1::kVersionOffset);
static_assert(offsetof(PortData1, dwProtocol) == port_data_1::kProtocolOffset);
static_assert(offsetof(PortData1, sztHostAddress) == port_data_1::kHostAddressOffset);
static_assert(sizeof(PortData1::sztHostAddress) / sizeof(WCHAR) == port_data_1::kHostAddressUnits);
static_assert(offsetof(PortData1, sztIPAddress) == port_data_1::kIpAddressOffset);
static_assert(sizeof(PortData1::sztIPAddress) / sizeof(WCHAR) == port_data_1::kIpAddressUnits);
static_assert(offsetof(PortData1, dwPortNumber) == port_data_1::kPortNumberOffset);
static_assert(sizeof(PortData1) == port_data_1::kSize);
static_assert(sizeof(ConfigInfoData1) == kConfigInfoDataSize);
static_assert(kServerAccessAdminister == SERVER_ACCESS_ADMINISTER &&
              kServerAccessEnumerate == SERVER_ACCESS_ENUMERATE);

class SystemXcvPort : public XcvCalls::Port {
 public:
  explicit SystemXcvPort(HANDLE handle) : handle_(handle) {}

  bool Data(const std::u16string& command, const std::vector<uint8_t>& input,
            std::vector<uint8_t>* output, uint32_t* needed, uint32_t* status,
            uint32_t* error) override {
    DWORD needed_bytes = 0;
    DWORD monitor_status = 0;
    // XcvDataW takes a writable pointer to input it only reads.
    const BOOL ok =
        ::XcvDataW(handle_.get(), text::AsWideChars(command), const_cast<BYTE*>(input.data()),
                   static_cast<DWORD>(input.size()), output->data(),
                   static_cast<DWORD>(output->size()), &needed_bytes, &monitor_status);
    *error = ok ? 0 : ::GetLastError();
    *needed = needed_bytes;
    *status = monitor_status;
    return ok != FALSE;
  }

 private:
  ScopedPrinterHandle handle_;
};

}  // namespace

std::unique_ptr<XcvCalls::Port> SystemXcvCalls::Open(const std::u16string& port_name,
                                                     uint32_t access, uint32_t* error) {
  std::u16string name = u",XcvPort " + port_name;
  PRINTER_DEFAULTSW defaults = {nullptr, nullptr, access};
  HANDLE handle = nullptr;
  if (!::OpenPrinterW(text::AsWritableWideChars(&name), &handle, &defaults)) {
    *error = ::GetLastError();
    return nullptr;
  }
  return std::make_unique<SystemXcvPort>(handle);
}

}  // namespace kestro
