#include "cash_drawer/drawer_state_call.h"

#include <utility>

#include "cash_drawer/call_arguments.h"
#include "cash_drawer/text_conversion.h"

namespace kestro {
namespace {

// A settings store with nothing in it, for a call read without one.
class NoSettings : public SettingsStore {
 public:
  std::optional<std::u16string> ReadListEntry(SettingScope, const std::u16string&,
                                              const std::u16string&, bool*) override {
    return std::nullopt;
  }
  std::optional<uint32_t> ReadNumber(SettingScope, const std::u16string&, bool*) override {
    return std::nullopt;
  }
};

// Fills in what every call reads besides its printer and its time.
DrawerStateCall CallFor(const flutter::ValueMap& arguments, const PrinterChoice& printer,
                        SettingsStore* settings) {
  NoSettings none;
  SettingsStore& store = settings != nullptr ? *settings : none;
  DrawerStateCall call;
  call.printer = printer;
  call.dialect = StatusDialectOfProtocol(ToUtf8String(ReadStringArgument(arguments, "protocol")));
  call.channel = ChooseDrawerChannel(printer.name, ReadStringArgument(arguments, "via"), store);
  call.open_level =
      ChooseOpenLevel(printer.name, ReadStringArgument(arguments, "openLevel"), store);
  return call;
}

// The wait's "state": "open", else "closed".
DrawerState WaitTarget(const flutter::ValueMap& arguments) {
  return ReadStringArgument(arguments, "state") == u"open" ? DrawerState::kOpen
                                                           : DrawerState::kClosed;
}

DrawerReading Unread(std::string reason) {
  DrawerReading reading;
  reading.reason = std::move(reason);
  return reading;
}

// The channel to read for the call, or why there is none.
std::optional<DrawerChannel> ChannelToRead(const DrawerStateCall& call,
                                           const DrawerStateBackend& backend, std::string* reason) {
  if (call.printer.name.empty()) {
    *reason = kNoPrinterReason;
    return std::nullopt;
  }
  switch (call.channel.channel.kind) {
    case DrawerChannel::Kind::kNone:
      *reason = kNoChannelReason;
      return std::nullopt;
    case DrawerChannel::Kind::kPort:
      return ChannelOfPrinterPort(call.printer.name, *backend.spooler, *backend.monitor, reason);
    case DrawerChannel::Kind::kSerial:
    case DrawerChannel::Kind::kTcp:
    case DrawerChannel::Kind::kUsb:
      break;
  }
  return call.channel.channel;
}

}  // namespace

DrawerStateCall ReadDrawerStateCall(const flutter::ValueMap& arguments, bool wait,
                                    PrintSpooler& spooler, SettingsStore* settings) {
  const PrinterChoice printer = ChoosePrinter(ReadStringArgument(arguments, "printerName"),
                                              ReadStringArgument(arguments, "modelHint"), spooler);
  DrawerStateCall call = CallFor(arguments, printer, settings);
  if (wait) {
    call.wait_for = WaitTarget(arguments);
    call.timeout_ms =
        ReadTimeArgument(arguments, "timeoutMs", kDefaultWaitTimeoutMs, kLongestWaitTimeoutMs);
  } else {
    call.timeout_ms =
        ReadTimeArgument(arguments, "timeoutMs", kDefaultReadTimeoutMs, kLongestReadTimeoutMs);
  }
  return call;
}

DrawerStateCall ReadConfirmationCall(const flutter::ValueMap& arguments,
                                     const PrinterChoice& printer, int32_t confirm_within_ms,
                                     SettingsStore* settings) {
  DrawerStateCall call = CallFor(arguments, printer, settings);
  call.wait_for = DrawerState::kOpen;
  call.timeout_ms = confirm_within_ms;
  return call;
}

DrawerStateOutcome UnreadOutcome(const DrawerStateCall& call, std::string reason) {
  DrawerStateOutcome outcome;
  outcome.printer_name = call.printer.name;
  outcome.chosen = call.channel;
  outcome.open_level = call.open_level;
  outcome.reading = Unread(std::move(reason));
  outcome.waited_for = call.wait_for;
  return outcome;
}

DrawerStateOutcome CarryOutDrawerStateCall(const DrawerStateCall& call,
                                           const DrawerStateBackend& backend, ChannelLocks* locks,
                                           const std::atomic<bool>* stop, const EachReading& each) {
  DrawerStateOutcome outcome = UnreadOutcome(call, "");
  outcome.read_over = ChannelToRead(call, backend, &outcome.reading.reason);
  if (!outcome.read_over) return outcome;
  const DrawerQuery query{*outcome.read_over, call.dialect, call.open_level.level};
  if (!call.wait_for) {
    outcome.reading =
        ReadDrawer(query, call.timeout_ms, *backend.opener, *backend.clock, locks, stop);
    if (each) each(outcome.reading);
    return outcome;
  }
  DrawerWait wait = WaitForDrawer(query, *call.wait_for, call.timeout_ms, *backend.opener,
                                  *backend.clock, locks, stop, each);
  outcome.reading = std::move(wait.reading);
  outcome.reached = wait.reached;
  outcome.waited_ms = wait.waited_ms;
  return outcome;
}

std::string ViaOf(const DrawerStateOutcome& outcome) {
  return DescribeDrawerChannel(outcome.read_over ? *outcome.read_over : outcome.chosen.channel);
}

flutter::ValueMap DrawerStateAnswer(const DrawerStateOutcome& outcome) {
  const DrawerReading& reading = outcome.reading;
  flutter::ValueMap answer = {{"state", StateName(reading.state)},
                              {"printerName", ToUtf8String(outcome.printer_name)},
                              {"via", ViaOf(outcome)}};
  if (reading.state != DrawerState::kUnknown && reading.status) {
    answer.emplace("level", LevelName(reading.status->level));
  } else {
    answer.emplace("reason", reading.reason);
  }
  if (outcome.waited_for) {
    answer.emplace("reached", outcome.reached);
    answer.emplace("waitedMs", static_cast<int32_t>(outcome.waited_ms));
  }
  return answer;
}

std::optional<bool> DrawerOpenedOf(const DrawerStateOutcome& outcome) {
  if (outcome.reached) return true;
  if (outcome.reading.state == DrawerState::kUnknown) return std::nullopt;
  return false;
}

}  // namespace kestro
