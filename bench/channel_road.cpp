#include "bench/channel_road.h"

#include <string>
#include <utility>

#include "bench/bench_spooler.h"
#include "bench/workloads.h"
#include "cash_drawer/cash_drawer_handler.h"
#include "codec/standard_method_codec.h"
#include "embedding/dart_bundle.h"

namespace kestro::bench {
namespace {

using flutter::EncodableValue;

std::vector<uint8_t> CallMessage(const std::string& method, EncodableValue arguments) {
  const flutter::MethodCall call(method, std::make_unique<EncodableValue>(std::move(arguments)));
  return flutter::CodecForSerializer().EncodeCall(call);
}

}  // namespace

std::vector<uint8_t> ListPrintersMessage() { return CallMessage("listPrinters", EncodableValue()); }

std::vector<uint8_t> OpenDrawerMessage() {
  const Workload call = SmallCall();
  return CallMessage(*call.method, call.value);
}

EncodableValue ExpectedPrinterList() {
  flutter::ValueList printers;
  for (const BenchPrinter& printer : kBenchPrinters) {
    printers.emplace_back(flutter::ValueMap{
        {"name", printer.name},
        {"driverName", printer.driver_name},
        {"portName", printer.port_name},
        {"isDefault", std::string(printer.name) == kBenchDefaultPrinter},
    });
  }
  return EncodableValue(std::move(printers));
}

EncodableValue ExpectedOpenDrawerResult() {
  return EncodableValue(flutter::ValueMap{
      {"success", true},
      {"message", "The cash drawer command was sent to the printer."},
      {"printerName", "Receipt Printer"},
  });
}

std::vector<uint8_t> ExpectedDrawerCommand() { return {0x1B, 0x70, 0x31, 0x19, 0xFA}; }

ChannelRoad::ChannelRoad(PrintSpooler* spooler) {
  controller_ =
      std::make_unique<flutter::FlutterViewController>(800, 600, flutter::DartBundle(u"data"));
  channel_ = std::make_unique<flutter::MethodCallChannel>(controller_->GetEngine()->GetMessenger(),
                                                          kCashDrawerChannelName,
                                                          &flutter::CodecForSerializer());
  channel_->SetCallHandler(
      [spooler](const flutter::MethodCall& call, std::unique_ptr<flutter::MethodResult> result) {
        HandleCashDrawerCall(call, std::move(result), *spooler);
      });
}

ChannelRoad::~ChannelRoad() {
  channel_.reset();
  controller_.reset();
}

}  // namespace kestro::bench
