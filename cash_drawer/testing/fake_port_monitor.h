// A spooler port monitor for tests: it knows a set of Standard TCP/IP ports
// and answers every other port as Windows does for a port no such monitor
// holds. Callable from any thread.

#ifndef KESTRO_CASH_DRAWER_TESTING_FAKE_PORT_MONITOR_H_
#define KESTRO_CASH_DRAWER_TESTING_FAKE_PORT_MONITOR_H_

#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "cash_drawer/drawer_channel.h"

namespace kestro_testing {

class FakePortMonitor : public kestro::SpoolerPortMonitor {
 public:
  // The reason given for a port that is not in `tcp_ports`.
  static constexpr char kNotTcpReason[] = "OpenPrinterW(XcvPort) failed, error 1796";

  explicit FakePortMonitor(std::map<std::u16string, kestro::TcpPortConfig> tcp_ports = {})
      : tcp_ports_(std::move(tcp_ports)) {}

  std::optional<kestro::TcpPortConfig> ReadTcpPort(const std::u16string& port_name,
                                                   std::string* reason) override {
    std::lock_guard<std::mutex> lock(mutex_);
    asked_.push_back(port_name);
    auto found = tcp_ports_.find(port_name);
    if (found != tcp_ports_.end()) return found->second;
    *reason = kNotTcpReason;
    return std::nullopt;
  }

  // The ports asked about, in order.
  std::vector<std::u16string> asked() {
    std::lock_guard<std::mutex> lock(mutex_);
    return asked_;
  }

 private:
  std::mutex mutex_;
  std::map<std::u16string, kestro::TcpPortConfig> tcp_ports_;
  std::vector<std::u16string> asked_;
};

}  // namespace kestro_testing

#endif  // KESTRO_CASH_DRAWER_TESTING_FAKE_PORT_MONITOR_H_
