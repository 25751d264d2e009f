#include "runner/cash_drawer_channel.h"

#include <utility>

#include "cash_drawer/cash_drawer_handler.h"
#include "codec/standard_method_codec.h"

std::unique_ptr<flutter::MethodCallChannel> MakeCashDrawerChannel(
    flutter::BinaryMessenger* messenger) {
  return std::make_unique<flutter::MethodCallChannel>(messenger, kestro::kCashDrawerChannelName,
                                                      &flutter::CodecForSerializer());
}

flutter::CallHandler CashDrawerCallHandler() {
  return [](const flutter::MethodCall& call, std::unique_ptr<flutter::MethodResult> result) {
    kestro::HandleCashDrawerCall(call, std::move(result));
  };
}
