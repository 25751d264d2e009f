#include "cash_drawer/xcv_port_monitor.h"

#include "cash_drawer/call_failure.h"
#include "cash_drawer/print_spooler.h"
#include "cash_drawer/text_conversion.h"

namespace kestro {
namespace {

constexpr char16_t kGetConfigInfo[] = u"GetConfigInfo";
constexpr size_t kConfigInfoVersionOffset = 128;
constexpr uint32_t kConfigInfoVersion = 1;
constexpr uint32_t kAccessDeniedError = 5;  // ERROR_ACCESS_DENIED
constexpr uint32_t kLargestPort = 65535;

uint32_t ReadDword(const std::vector<uint8_t>& bytes, size_t offset) {
  return static_cast<uint32_t>(bytes[offset]) | static_cast<uint32_t>(bytes[offset + 1]) << 8 |
         static_cast<uint32_t>(bytes[offset + 2]) << 16 |
         static_cast<uint32_t>(bytes[offset + 3]) << 24;
}

// The text of a fixed array of `units` UTF-16 units, up to its first NUL.
std::u16string ReadFixedText(const std::vector<uint8_t>& bytes, size_t offset, size_t units) {
  std::u16string text;
  for (size_t i = 0; i < units; ++i) {
    const auto unit = static_cast<char16_t>(bytes[offset + 2 * i] | bytes[offset + 2 * i + 1] << 8);
    if (unit == u'\0') break;
    text.push_back(unit);
  }
  return text;
}

std::vector<uint8_t> ConfigInfoData1() {
  std::vector<uint8_t> input(kConfigInfoDataSize, 0);
  input[kConfigInfoVersionOffset] = kConfigInfoVersion;
  return input;
}

std::string XcvSubject(const std::u16string& port_name) {
  return "\",XcvPort " + ToUtf8String(port_name) + "\"";
}

// Opens the port's Xcv handle for administering, or for enumerating when that
// is refused.
std::unique_ptr<XcvCalls::Port> OpenXcvPort(XcvCalls& calls, const std::u16string& port_name,
                                            std::string* reason) {
  uint32_t error = 0;
  std::unique_ptr<XcvCalls::Port> port = calls.Open(port_name, kServerAccessAdminister, &error);
  if (!port && error == kAccessDeniedError) {
    port = calls.Open(port_name, kServerAccessEnumerate, &error);
  }
  if (!port) *reason = CallFailure("OpenPrinterW on " + XcvSubject(port_name), error);
  return port;
}

// GetConfigInfo's answer, asked again once in a buffer of the size the
// monitor needs when the first is too small.
std::optional<std::vector<uint8_t>> AskConfigInfo(XcvCalls::Port& port,
                                                  const std::u16string& port_name,
                                                  std::string* reason) {
  const std::string call = "XcvDataW GetConfigInfo on " + XcvSubject(port_name);
  std::vector<uint8_t> answer(port_data_1::kSize, 0);
  uint32_t status = 0;
  for (int attempt = 0; attempt < 2; ++attempt) {
    uint32_t needed = 0;
    uint32_t error = 0;
    if (!port.Data(kGetConfigInfo, ConfigInfoData1(), &answer, &needed, &status, &error)) {
      *reason = CallFailure(call, error);
      return std::nullopt;
    }
    // A monitor that leaves the size unset answered in the whole buffer.
    if (status == 0) {
      if (needed > 0 && needed < answer.size()) answer.resize(needed);
      return answer;
    }
    if (status != kInsufficientBufferError || needed <= answer.size() || attempt > 0) break;
    if (needed > kMaxXcvAnswerBytes) {
      *reason = call + " asked for " + std::to_string(needed) + " bytes, more than " +
                std::to_string(kMaxXcvAnswerBytes);
      return std::nullopt;
    }
    answer.assign(needed, 0);
  }
  // The monitor's status is a Win32 error code.
  *reason = CallFailure(call, status);
  return std::nullopt;
}

}  // namespace

std::optional<TcpPortConfig> XcvPortMonitor::ReadTcpPort(const std::u16string& port_name,
                                                         std::string* reason) {
  // OpenPrinterW reads the name only up to its first NUL.
  if (port_name.find(u'\0') != std::u16string::npos) {
    *reason = "the port name holds a NUL character";
    return std::nullopt;
  }
  std::unique_ptr<XcvCalls::Port> port = OpenXcvPort(calls_, port_name, reason);
  if (!port) return std::nullopt;
  const std::optional<std::vector<uint8_t>> answer = AskConfigInfo(*port, port_name, reason);
  if (!answer) return std::nullopt;
  std::optional<TcpPortConfig> config = ParsePortData1(*answer, reason);
  if (!config) *reason = "the port " + ToUtf8String(port_name) + " answered " + *reason;
  return config;
}

std::optional<TcpPortConfig> ParsePortData1(const std::vector<uint8_t>& record,
                                            std::string* reason) {
  namespace layout = port_data_1;
  if (record.size() < layout::kSize) {
    *reason = "a configuration of " + std::to_string(record.size()) + " bytes, not " +
              std::to_string(layout::kSize);
    return std::nullopt;
  }
  std::u16string host =
      ReadFixedText(record, layout::kHostAddressOffset, layout::kHostAddressUnits);
  if (host.empty()) host = ReadFixedText(record, layout::kIpAddressOffset, layout::kIpAddressUnits);
  const uint32_t port = ReadDword(record, layout::kPortNumberOffset);
  const uint32_t protocol = ReadDword(record, layout::kProtocolOffset);
  if (host.empty()) {
    *reason = "a configuration without a host";
  } else if (port == 0 || port > kLargestPort) {
    *reason = "a configuration with the port number " + std::to_string(port);
  } else if (protocol != layout::kProtocolRaw && protocol != layout::kProtocolLpr) {
    *reason = "a configuration with the unknown protocol " + std::to_string(protocol);
  } else {
    return TcpPortConfig{ToUtf8String(host), static_cast<uint16_t>(port),
                         protocol == layout::kProtocolRaw};
  }
  return std::nullopt;
}

}  // namespace kestro
