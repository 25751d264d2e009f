#include "cash_drawer/overlapped_device_link_win.h"

#include <windows.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "cash_drawer/call_failure.h"
#include "cash_drawer/device_file_win.h"
#include "cash_drawer/link_deadline.h"
#include "cash_drawer/scoped_win_handle_win.h"
#include "cash_drawer/text_conversion.h"

namespace kestro {
namespace {

// A device that completes reads with nothing is asked again this much later,
// rather than at once, until the time is up.
constexpr DWORD kEmptyReadPauseMs = 10;

DWORD WaitMs(int64_t timeout_ms) {
  return static_cast<DWORD>(std::clamp<int64_t>(timeout_ms, 0, INFINITE - 1));
}

// How one overlapped read or write ended.
struct Transfer {
  bool done = false;  // completed (possibly with 0 bytes)
  DWORD count = 0;
  DWORD error = 0;  // when not done: 0 for "not within the time", else the failure
};

class OverlappedDeviceLink : public DrawerLink {
 public:
  OverlappedDeviceLink(ScopedFileHandle device, ScopedKernelHandle event, std::string name)
      : device_(std::move(device)), event_(std::move(event)), name_(std::move(name)) {}

  bool Send(const std::vector<uint8_t>& bytes, int64_t timeout_ms, std::string* reason) override {
    const Transfer transfer = Run(
        [&](OVERLAPPED* overlapped) {
          return ::WriteFile(device_.get(), bytes.data(), static_cast<DWORD>(bytes.size()), nullptr,
                             overlapped);
        },
        timeout_ms);
    if (transfer.done && transfer.count == bytes.size()) return true;
    *reason = transfer.error != 0 ? CallFailure("WriteFile on " + name_, transfer.error)
                                  : name_ + " took " + std::to_string(transfer.count) + " of " +
                                        std::to_string(bytes.size()) + " bytes within " +
                                        std::to_string(timeout_ms) + " ms";
    return false;
  }

  ReceiveStatus Receive(int64_t timeout_ms, std::vector<uint8_t>* bytes,
                        std::string* reason) override {
    const LinkDeadline deadline(timeout_ms);
    std::vector<uint8_t> chunk(kDeviceReadBytes);
    for (;;) {
      const Transfer transfer = Run(
          [&](OVERLAPPED* overlapped) {
            return ::ReadFile(device_.get(), chunk.data(), kDeviceReadBytes, nullptr, overlapped);
          },
          deadline.RemainingMs());
      if (transfer.count > 0) {
        bytes->insert(bytes->end(), chunk.begin(), chunk.begin() + transfer.count);
        return ReceiveStatus::kData;
      }
      if (transfer.error != 0) {
        *reason = CallFailure("ReadFile on " + name_, transfer.error);
        return ReceiveStatus::kBroken;
      }
      if (!transfer.done || deadline.Passed()) return ReceiveStatus::kTimedOut;
      ::Sleep(std::min<DWORD>(kEmptyReadPauseMs, WaitMs(deadline.RemainingMs())));
    }
  }

  void DiscardPending() override {
    std::vector<uint8_t> stale;
    std::string reason;
    for (int read = 0; read < kDiscardReads; ++read) {
      if (Receive(kDiscardReadMs, &stale, &reason) != ReceiveStatus::kData) return;
    }
  }

 private:
  // Starts one overlapped transfer with `start` and waits at most
  // `timeout_ms` for it; one still running then is cancelled, and what it
  // moved before the cancellation still counts.
  template <typename Start>
  Transfer Run(Start start, int64_t timeout_ms) {
    OVERLAPPED overlapped = {};
    overlapped.hEvent = event_.get();
    ::ResetEvent(event_.get());
    Transfer transfer;
    if (!start(&overlapped) && ::GetLastError() != ERROR_IO_PENDING) {
      transfer.error = ::GetLastError();
      return transfer;
    }
    if (::WaitForSingleObject(event_.get(), WaitMs(timeout_ms)) != WAIT_OBJECT_0) {
      ::CancelIoEx(device_.get(), &overlapped);
    }
    // Waits for the cancellation to land: the buffer is in use until then.
    if (::GetOverlappedResult(device_.get(), &overlapped, &transfer.count, TRUE)) {
      transfer.done = true;
    } else if (::GetLastError() != ERROR_OPERATION_ABORTED) {
      transfer.error = ::GetLastError();
    }
    return transfer;
  }

  ScopedFileHandle device_;
  ScopedKernelHandle event_;
  std::string name_;
};

}  // namespace

LinkOpenResult OpenOverlappedDeviceLink(const std::u16string& path) {
  const std::string name = ToUtf8String(path);
  LinkOpenResult result;
  ScopedFileHandle device = OpenDeviceFile(path, FILE_FLAG_OVERLAPPED, &result);
  if (!device.valid()) return result;
  ScopedKernelHandle event(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
  if (!event.valid()) {
    result.reason = CallFailure("CreateEventW", ::GetLastError());
    return result;
  }
  result.status = LinkOpenStatus::kOpened;
  result.link = std::make_unique<OverlappedDeviceLink>(std::move(device), std::move(event), name);
  return result;
}

}  // namespace kestro
