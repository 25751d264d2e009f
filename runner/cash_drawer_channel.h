// The app's own native service channel, "kestro/cash_drawer": how the content
// window makes it and what it installs as its call handler.

#ifndef KESTRO_RUNNER_CASH_DRAWER_CHANNEL_H_
#define KESTRO_RUNNER_CASH_DRAWER_CHANNEL_H_

#include <memory>

#include "embedding/binary_messenger.h"
#include "embedding/call_dispatcher.h"
#include "embedding/method_call_channel.h"

// A method channel named "kestro/cash_drawer" on `messenger` (borrowed; it
// must outlive the channel) with the process's shared standard method codec.
// Nothing is registered until a call handler is set.
std::unique_ptr<flutter::MethodCallChannel> MakeCashDrawerChannel(
    flutter::BinaryMessenger* messenger);

// The channel's call handler: hands each call, and the ownership of its
// result, straight to the cash drawer service. It holds no state.
flutter::CallHandler CashDrawerCallHandler();

#endif  // KESTRO_RUNNER_CASH_DRAWER_CHANNEL_H_
