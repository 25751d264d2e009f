// The road of a cash drawer call as the running host takes it, built
// natively: the recording fake engine delivers the message bytes into the
// engine messenger's OnEngineMessage, the method channel decodes the call,
// HandleCashDrawerCall answers it on a fake spooler with five printers, and
// the encoded reply goes back to the engine.

#ifndef KESTRO_BENCH_CHANNEL_ROAD_H_
#define KESTRO_BENCH_CHANNEL_ROAD_H_

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "cash_drawer/testing/fake_print_spooler.h"
#include "codec/encodable_value.h"
#include "embedding/flutter_view_controller.h"
#include "embedding/method_call_channel.h"
#include "embedding/testing/fake_engine.h"

namespace kestro::bench {

using kestro_testing::FakePrintSpooler;

// The message of a "listPrinters" call, and of the "openDrawer" call of the
// small_call workload.
std::vector<uint8_t> ListPrintersMessage();
std::vector<uint8_t> OpenDrawerMessage();

// The answers those two calls must get on the road's spooler.
flutter::EncodableValue ExpectedPrinterList();
flutter::EncodableValue ExpectedOpenDrawerResult();

// The five bytes the "openDrawer" call sends to the printer.
std::vector<uint8_t> ExpectedDrawerCommand();

// One engine, view controller and cash drawer channel. Installs the fake
// engine, of which only one may exist at a time, so only one road may exist
// at a time. The fake records no engine calls.
class ChannelRoad {
 public:
  ChannelRoad();
  ~ChannelRoad();

  ChannelRoad(const ChannelRoad&) = delete;
  ChannelRoad& operator=(const ChannelRoad&) = delete;

  // Delivers `message` on the cash drawer channel and returns every response
  // the host sent for it (one, for a well-behaved host).
  std::vector<std::vector<uint8_t>> Call(const std::vector<uint8_t>& message);

  // Delivers `message` and keeps its response with the fake engine: the
  // per-call work of a timing loop.
  void Deliver(const std::vector<uint8_t>& message) {
    engine_.DeliverMessage(channel_name_, message);
  }

  // The fake engine keeps every response and the spooler every call it saw;
  // this forgets both, so that a long loop does not grow without bound.
  void Recycle();

  const FakePrintSpooler& spooler() const { return spooler_; }

  // Broken engine rules seen so far; none for a clean run.
  std::vector<std::string> Problems() const { return engine_.Problems(); }

 private:
  static void ResetSpooler(FakePrintSpooler* spooler);

  // Declared first: it must outlive everything that calls the engine.
  kestro_testing::FakeEngine engine_;
  std::string channel_name_;
  FakePrintSpooler spooler_;
  std::unique_ptr<flutter::FlutterViewController> controller_;
  std::unique_ptr<flutter::MethodCallChannel> channel_;
};

}  // namespace kestro::bench

#endif  // KESTRO_BENCH_CHANNEL_ROAD_H_
