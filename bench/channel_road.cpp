#include "bench/channel_road.h"

#include <utility>

#include "bench/workloads.h"
#include "cash_drawer/cash_drawer_handler.h"
#include "codec/standard_method_codec.h"
#include "embedding/dart_bundle.h"

namespace kestro::bench {
namespace {

using flutter::EncodableValue;

struct BenchPrinter {
  const char* name;
  const char* driver_name;
  const char* port_name;
};

// The printers of a typical till; the default is not the receipt printer, so
// "openDrawer" finds its printer by name.
constexpr BenchPrinter kPrinters[] = {
    {"Microsoft Print to PDF", "Microsoft Print To PDF", "PORTPROMPT:"},
    {"Office Laser", "HP Universal Printing PCL 6", "IP_192.168.1.20"},
    {"Receipt Printer", "EPSON TM-T20III Receipt", "USB001"},
    {"Kitchen Printer", "Generic / Text Only", "USB002"},
    {"Label Printer", "ZDesigner GK420d", "USB003"},
};
constexpr char kDefaultPrinter[] = "Office Laser";

// The printer names are ASCII, so widening each byte is the UTF-16 text.
std::u16string Wide(const char* text) {
  const std::string narrow(text);
  return std::u16string(narrow.begin(), narrow.end());
}

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
  for (const BenchPrinter& printer : kPrinters) {
    printers.emplace_back(flutter::ValueMap{
        {"name", printer.name},
        {"driverName", printer.driver_name},
        {"portName", printer.port_name},
        {"isDefault", std::string(printer.name) == kDefaultPrinter},
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

ChannelRoad::ChannelRoad() : channel_name_(kCashDrawerChannelName) {
  engine_.set_recording(false);
  ResetSpooler(&spooler_);
  controller_ =
      std::make_unique<flutter::FlutterViewController>(800, 600, flutter::DartBundle(u"data"));
  channel_ = std::make_unique<flutter::MethodCallChannel>(
      controller_->GetEngine()->GetMessenger(), channel_name_, &flutter::CodecForSerializer());
  FakePrintSpooler* spooler = &spooler_;
  channel_->SetCallHandler(
      [spooler](const flutter::MethodCall& call, std::unique_ptr<flutter::MethodResult> result) {
        HandleCashDrawerCall(call, std::move(result), *spooler);
      });
}

ChannelRoad::~ChannelRoad() {
  channel_.reset();
  controller_.reset();
}

std::vector<std::vector<uint8_t>> ChannelRoad::Call(const std::vector<uint8_t>& message) {
  const int number = engine_.DeliverMessage(channel_name_, message);
  return engine_.ResponsesTo(number);
}

void ChannelRoad::Recycle() {
  engine_.ForgetDeliveredMessages();
  ResetSpooler(&spooler_);
}

// static
void ChannelRoad::ResetSpooler(FakePrintSpooler* spooler) {
  *spooler = FakePrintSpooler();
  for (const BenchPrinter& printer : kPrinters) {
    spooler->printers.push_back(
        {Wide(printer.name), Wide(printer.driver_name), Wide(printer.port_name)});
  }
  spooler->default_printer = Wide(kDefaultPrinter);
}

}  // namespace kestro::bench
