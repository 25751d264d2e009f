// How a Standard TCP/IP port describes itself. The spooler hands the question
// to the port's monitor through its transceive interface: a handle opened on
// ",XcvPort NAME", and XcvDataW(L"GetConfigInfo") answering a PORT_DATA_1
// record. The winspool calls sit behind XcvCalls, so that the record is read,
// and the calls are made in their order, without Windows.

#ifndef KESTRO_CASH_DRAWER_XCV_PORT_MONITOR_H_
#define KESTRO_CASH_DRAWER_XCV_PORT_MONITOR_H_

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cash_drawer/drawer_channel.h"

namespace kestro {

// The access an Xcv handle is asked for (PRINTER_DEFAULTSW::DesiredAccess):
// administering is what the monitor's commands are documented with; a user
// who is not an administrator is refused it and then asks to enumerate only.
inline constexpr uint32_t kServerAccessAdminister = 0x00000001;  // SERVER_ACCESS_ADMINISTER
inline constexpr uint32_t kServerAccessEnumerate = 0x00000002;   // SERVER_ACCESS_ENUMERATE

// The layout of PORT_DATA_1 as Microsoft documents it (tcpxcv.h): fixed
// arrays of NUL-terminated UTF-16 text and DWORDs, little-endian, in bytes.
namespace port_data_1 {
inline constexpr size_t kVersionOffset = 128;      // after sztPortName[64]
inline constexpr size_t kProtocolOffset = 132;     // dwProtocol
inline constexpr size_t kHostAddressOffset = 144;  // sztHostAddress[49]
inline constexpr size_t kHostAddressUnits = 49;
inline constexpr size_t kIpAddressOffset = 378;  // sztIPAddress[16]
inline constexpr size_t kIpAddressUnits = 16;
inline constexpr size_t kPortNumberOffset = 952;  // dwPortNumber, after Reserved[540]
inline constexpr size_t kSize = 964;              // through dwSNMPDevIndex
inline constexpr uint32_t kProtocolRaw = 1;       // PROTOCOL_RAWTCP_TYPE
inline constexpr uint32_t kProtocolLpr = 2;       // PROTOCOL_LPR_TYPE
}  // namespace port_data_1

// GetConfigInfo's input, CONFIG_INFO_DATA_1: 128 reserved bytes, then the
// DWORD version 1.
inline constexpr size_t kConfigInfoDataSize = 132;

// The most bytes a monitor may ask for its answer; a larger need is refused
// rather than allocated.
inline constexpr uint32_t kMaxXcvAnswerBytes = 64 * 1024;

// The winspool calls of the transceive interface.
class XcvCalls {
 public:
  virtual ~XcvCalls() = default;

  // An open Xcv handle; destroying it closes it (ClosePrinter).
  class Port {
   public:
    virtual ~Port() = default;

    // XcvDataW(`command`, `input`, an output buffer of output->size() bytes).
    // Returns what the call returns, with its pcbOutputNeeded in `*needed`,
    // its pdwStatus (the monitor's own result) in `*status`, and, when it
    // returns false, the last-error code in `*error`.
    virtual bool Data(const std::u16string& command, const std::vector<uint8_t>& input,
                      std::vector<uint8_t>* output, uint32_t* needed, uint32_t* status,
                      uint32_t* error) = 0;
  };

  // OpenPrinterW(L",XcvPort " + port_name) asking for `access`; null, with the
  // last-error code in `*error`, when it fails.
  virtual std::unique_ptr<Port> Open(const std::u16string& port_name, uint32_t access,
                                     uint32_t* error) = 0;
};

// Reads Standard TCP/IP ports through `calls`, which it borrows: they must
// outlive it.
class XcvPortMonitor : public SpoolerPortMonitor {
 public:
  explicit XcvPortMonitor(XcvCalls& calls) : calls_(calls) {}

  std::optional<TcpPortConfig> ReadTcpPort(const std::u16string& port_name,
                                           std::string* reason) override;

 private:
  XcvCalls& calls_;
};

// The host (sztHostAddress, or sztIPAddress when that is empty), port number
// and protocol of a PORT_DATA_1 record. nullopt, and `*reason` says why, for a
// record shorter than port_data_1::kSize, without a host, with a port number
// outside 1 to 65535, or with a protocol other than RAW and LPR.
std::optional<TcpPortConfig> ParsePortData1(const std::vector<uint8_t>& record,
                                            std::string* reason);

}  // namespace kestro

#endif  // KESTRO_CASH_DRAWER_XCV_PORT_MONITOR_H_
