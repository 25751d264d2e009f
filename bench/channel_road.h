// The road of a cash drawer call as the running host takes it, built
// natively: an engine double delivers the message bytes into the engine
// messenger's OnEngineMessage, the method channel decodes the call,
// HandleCashDrawerCall answers it on a spooler double with five printers,
// and the encoded reply goes back to the engine double.
//
// The road works on whichever engine double the program links: the recording
// fake engine in its tests, the lean BenchEngine in the benchmark program.

#ifndef KESTRO_BENCH_CHANNEL_ROAD_H_
#define KESTRO_BENCH_CHANNEL_ROAD_H_

#include <cstdint>
#include <memory>
#include <vector>

#include "cash_drawer/print_spooler.h"
#include "codec/encodable_value.h"
#include "embedding/flutter_view_controller.h"
#include "embedding/method_call_channel.h"

namespace kestro::bench {

// The message of a "listPrinters" call, and of the "openDrawer" call of the
// small_call workload.
std::vector<uint8_t> ListPrintersMessage();
std::vector<uint8_t> OpenDrawerMessage();

// The answers those two calls must get on BenchSpooler's printers.
flutter::EncodableValue ExpectedPrinterList();
flutter::EncodableValue ExpectedOpenDrawerResult();

// The five bytes the "openDrawer" call sends to the printer.
std::vector<uint8_t> ExpectedDrawerCommand();

// One view controller and the cash drawer channel on its engine's messenger,
// answering with `spooler`.
// REQUIRES: an engine double is installed, and it and `*spooler` outlive the
// road.
class ChannelRoad {
 public:
  explicit ChannelRoad(PrintSpooler* spooler);
  ~ChannelRoad();

  ChannelRoad(const ChannelRoad&) = delete;
  ChannelRoad& operator=(const ChannelRoad&) = delete;

 private:
  std::unique_ptr<flutter::FlutterViewController> controller_;
  std::unique_ptr<flutter::MethodCallChannel> channel_;
};

}  // namespace kestro::bench

#endif  // KESTRO_BENCH_CHANNEL_ROAD_H_
