#include "runner/cash_drawer_channel.h"

#include <memory>
#include <utility>

#include "cash_drawer/cash_drawer_handler.h"
#include "codec/standard_method_codec.h"

CashDrawerChannel::CashDrawerChannel(flutter::BinaryMessenger* messenger, CashDrawerMachine machine)
    : machine_(machine),
      watch_auditor_(machine.audit == nullptr
                         ? nullptr
                         : std::make_unique<kestro::KickWatchAuditor>(*machine.audit)),
      watch_(watch_spooler_, watch_clock_, watch_auditor_.get()),
      channel_(messenger, kestro::kCashDrawerChannelName, &flutter::CodecForSerializer()) {
  channel_.SetCallHandler(
      [this](const flutter::MethodCall& call, std::unique_ptr<flutter::MethodResult> result) {
        kestro::HandleCashDrawerCall(call, std::move(result),
                                     {&watch_, machine_.audit, machine_.settings});
      });
}

CashDrawerChannel::~CashDrawerChannel() { channel_.SetCallHandler(nullptr); }
