// The spooler's transceive interface (winspool's OpenPrinterW on ",XcvPort
// NAME" and XcvDataW) behind XcvCalls, and the port monitor of the system's
// spooler that reads Standard TCP/IP ports through it.

#ifndef KESTRO_CASH_DRAWER_SYSTEM_XCV_CALLS_WIN_H_
#define KESTRO_CASH_DRAWER_SYSTEM_XCV_CALLS_WIN_H_

#include <memory>
#include <optional>
#include <string>

#include "cash_drawer/drawer_channel.h"
#include "cash_drawer/xcv_port_monitor.h"

namespace kestro {

// Holds no state: each port it opens is a handle of its own.
class SystemXcvCalls : public XcvCalls {
 public:
  std::unique_ptr<Port> Open(const std::u16string& port_name, uint32_t access,
                             uint32_t* error) override;
};

// XcvPortMonitor over the system's spooler.
class SystemSpoolerPortMonitor : public SpoolerPortMonitor {
 public:
  std::optional<TcpPortConfig> ReadTcpPort(const std::u16string& port_name,
                                           std::string* reason) override {
    return monitor_.ReadTcpPort(port_name, reason);
  }

 private:
  SystemXcvCalls calls_;
  XcvPortMonitor monitor_{calls_};
};

}  // namespace kestro

#endif  // KESTRO_CASH_DRAWER_SYSTEM_XCV_CALLS_WIN_H_
