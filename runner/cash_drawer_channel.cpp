#include "runner/cash_drawer_channel.h"

#include <memory>
#include <utility>

#include "cash_drawer/cash_drawer_handler.h"
#include "cash_drawer/kick_clock.h"
#include "cash_drawer/system_drawer_state_backend_win.h"
#include "cash_drawer/system_print_spooler_win.h"
#include "codec/standard_method_codec.h"

namespace {

// The state service's threads are told to stop when the window closes; the
// teardown does not wait for a read in progress longer than this, so that
// with the kick watch's 2 s it stays well within the time Windows gives a
// program at the end of a session.
kestro::DrawerStateService::Limits StateServiceLimits() {
  kestro::DrawerStateService::Limits limits;
  limits.teardown_grace_ms = 250;
  return limits;
}

}  // namespace

CashDrawerChannel::CashDrawerChannel(flutter::BinaryMessenger* messenger, CashDrawerMachine machine)
    : machine_(machine),
      watch_auditor_(machine.audit == nullptr
                         ? nullptr
                         : std::make_unique<kestro::KickWatchAuditor>(*machine.audit)),
      reading_auditor_(machine.tracker == nullptr || machine.settings == nullptr
                           ? nullptr
                           : std::make_unique<kestro::DrawerReadingAuditor>(*machine.tracker,
                                                                            *machine.settings)),
      watch_(std::make_shared<kestro::SystemPrintSpooler>(),
             std::make_shared<kestro::SystemKickClock>(),
             std::make_shared<kestro::SystemKickClock>(), watch_auditor_.get()),
      state_service_(kestro::MakeSystemDrawerStateBackend(), task_runner_, StateServiceLimits(),
                     reading_auditor_.get()),
      channel_(messenger, kestro::kCashDrawerChannelName, &flutter::CodecForSerializer()) {
  channel_.SetCallHandler(
      [this](const flutter::MethodCall& call, std::unique_ptr<flutter::MethodResult> result) {
        kestro::HandleCashDrawerCall(call, std::move(result),
                                     {&watch_, &state_service_, machine_.audit, machine_.settings});
      });
}

CashDrawerChannel::~CashDrawerChannel() { channel_.SetCallHandler(nullptr); }
