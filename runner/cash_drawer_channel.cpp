#include "runner/cash_drawer_channel.h"

#include <memory>
#include <utility>

#include "cash_drawer/cash_drawer_handler.h"
#include "cash_drawer/kick_clock.h"
#include "cash_drawer/system_print_spooler_win.h"
#include "codec/standard_method_codec.h"

CashDrawerChannel::CashDrawerChannel(flutter::BinaryMessenger* messenger)
    : watch_(std::make_shared<kestro::SystemPrintSpooler>(),
             std::make_shared<kestro::SystemKickClock>(),
             std::make_shared<kestro::SystemKickClock>()),
      channel_(messenger, kestro::kCashDrawerChannelName, &flutter::CodecForSerializer()) {
  channel_.SetCallHandler(
      [this](const flutter::MethodCall& call, std::unique_ptr<flutter::MethodResult> result) {
        kestro::HandleCashDrawerCall(call, std::move(result), &watch_);
      });
}

CashDrawerChannel::~CashDrawerChannel() { channel_.SetCallHandler(nullptr); }
