#include "cash_drawer/serial_drawer_link_win.h"

#include <windows.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <vector>

#include "cash_drawer/call_failure.h"
#include "cash_drawer/device_file_win.h"
#include "cash_drawer/scoped_win_handle_win.h"
#include "cash_drawer/text_conversion.h"
#include "text/wide_chars.h"

namespace kestro {
namespace {

// The most bytes taken from the driver's queue by one read.
constexpr DWORD kMaxReadBytes = 4096;

// A constant of 0 means "no limit" to the serial driver; MAXDWORD has a
// meaning of its own in the read timeouts.
DWORD TimeoutConstant(int64_t timeout_ms) {
  return static_cast<DWORD>(std::clamp<int64_t>(timeout_ms, 1, MAXDWORD - 1));
}

// Reads return at once with whatever has arrived, even nothing.
COMMTIMEOUTS ImmediateReads() { return {MAXDWORD, 0, 0, 0, 0}; }

// A read returns as soon as one byte has arrived, or with nothing after
// `timeout_ms`. Windows's serial driver returns at the first byte with these
// timeouts whatever the buffer's size; Wine's waits to fill the buffer, so
// the reads that wait ask for one byte.
COMMTIMEOUTS FirstByteReads(int64_t timeout_ms) {
  if (timeout_ms <= 0) return ImmediateReads();
  return {MAXDWORD, MAXDWORD, TimeoutConstant(timeout_ms), 0, 0};
}

class SerialDrawerLink : public DrawerLink {
 public:
  SerialDrawerLink(ScopedFileHandle port, std::string name)
      : port_(std::move(port)), name_(std::move(name)) {}

  bool Send(const std::vector<uint8_t>& bytes, int64_t timeout_ms, std::string* reason) override {
    COMMTIMEOUTS timeouts = ImmediateReads();
    timeouts.WriteTotalTimeoutConstant = TimeoutConstant(timeout_ms);
    if (!SetTimeouts(timeouts, reason)) return false;
    DWORD written = 0;
    if (!::WriteFile(port_.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                     nullptr)) {
      *reason = CallFailure("WriteFile on " + name_, ::GetLastError());
      return false;
    }
    if (written == bytes.size()) return true;
    *reason = name_ + " took " + std::to_string(written) + " of " + std::to_string(bytes.size()) +
              " bytes within " + std::to_string(timeout_ms) + " ms";
    return false;
  }

  ReceiveStatus Receive(int64_t timeout_ms, std::vector<uint8_t>* bytes,
                        std::string* reason) override {
    if (!SetTimeouts(FirstByteReads(timeout_ms), reason)) return ReceiveStatus::kBroken;
    uint8_t first = 0;
    DWORD count = 0;
    if (!::ReadFile(port_.get(), &first, 1, &count, nullptr)) {
      *reason = CallFailure("ReadFile on " + name_, ::GetLastError());
      return ReceiveStatus::kBroken;
    }
    if (count == 0) return ReceiveStatus::kTimedOut;
    bytes->push_back(first);
    // Whatever came with it is in the driver's queue already.
    COMSTAT state = {};
    DWORD errors = 0;
    if (!::ClearCommError(port_.get(), &errors, &state) || state.cbInQue == 0) {
      return ReceiveStatus::kData;
    }
    if (!SetTimeouts(ImmediateReads(), reason)) return ReceiveStatus::kData;
    std::vector<uint8_t> rest(std::min(state.cbInQue, kMaxReadBytes));
    if (::ReadFile(port_.get(), rest.data(), static_cast<DWORD>(rest.size()), &count, nullptr)) {
      bytes->insert(bytes->end(), rest.begin(), rest.begin() + count);
    }
    return ReceiveStatus::kData;
  }

  void DiscardPending() override { ::PurgeComm(port_.get(), PURGE_RXCLEAR); }

 private:
  bool SetTimeouts(COMMTIMEOUTS timeouts, std::string* reason) {
    if (::SetCommTimeouts(port_.get(), &timeouts)) return true;
    *reason = CallFailure("SetCommTimeouts on " + name_, ::GetLastError());
    return false;
  }

  ScopedFileHandle port_;
  std::string name_;
};

// The port's default configuration; nullopt when Windows has none for it.
std::optional<std::vector<BYTE>> DefaultConfig(const std::u16string& port_name) {
  // COMMCONFIG ends in provider data of the driver's own size.
  std::vector<BYTE> config(sizeof(COMMCONFIG), 0);
  for (int attempt = 0; attempt < 2; ++attempt) {
    auto* header = reinterpret_cast<COMMCONFIG*>(config.data());
    header->dwSize = static_cast<DWORD>(config.size());
    DWORD size = header->dwSize;
    if (::GetDefaultCommConfigW(text::AsWideChars(port_name), header, &size)) return config;
    if (::GetLastError() != ERROR_INSUFFICIENT_BUFFER || size <= config.size()) break;
    config.assign(size, 0);
  }
  return std::nullopt;
}

}  // namespace

LinkOpenResult OpenSerialDrawerLink(const std::u16string& port_name) {
  const std::u16string path = u"\\\\.\\" + port_name;
  const std::string name = ToUtf8String(path);
  LinkOpenResult result;
  ScopedFileHandle port = OpenDeviceFile(path, 0, &result);
  if (!port.valid()) return result;
  std::optional<std::vector<BYTE>> config = DefaultConfig(port_name);
  if (config && !::SetCommState(port.get(), &reinterpret_cast<COMMCONFIG*>(config->data())->dcb)) {
    result.reason = CallFailure("SetCommState on " + name, ::GetLastError());
    return result;
  }
  result.status = LinkOpenStatus::kOpened;
  result.link = std::make_unique<SerialDrawerLink>(std::move(port), name);
  return result;
}

}  // namespace kestro
