#include "cash_drawer/cash_drawer_handler.h"

#include <algorithm>
#include <utility>

#include "cash_drawer/kick_decision.h"
#include "cash_drawer/printer_enumeration.h"
#include "cash_drawer/text_conversion.h"

namespace kestro {
namespace {

constexpr int32_t kDefaultPin = 0;
constexpr int32_t kDefaultPulseOn = 25;
constexpr int32_t kDefaultPulseOff = 250;
constexpr int32_t kDefaultExpireAfterMs = 30000;

using SharedResult = std::shared_ptr<flutter::MethodResult>;

// The call's arguments when they are a map; otherwise the one channel error
// has been answered.
const flutter::ValueMap* ArgumentMap(const flutter::MethodCall& call,
                                     flutter::MethodResult& result) {
  const flutter::EncodableValue* arguments = call.arguments();
  const flutter::ValueMap* map =
      arguments == nullptr ? nullptr : arguments->GetIf<flutter::ValueMap>();
  if (map == nullptr) result.Error(kInvalidArgumentsCode, kInvalidArgumentsMessage, nullptr);
  return map;
}

// Hands a command the spooler took to the watch, unless told not to watch it.
void HandToWatcher(const OpenDrawerOutcome& kick, KickWatcher* watcher) {
  if (watcher == nullptr || kick.expire_after_ms <= 0) return;
  if (!kick.job.sent || kick.job.job_id == 0) return;
  watcher->Watch(kick.printer.name, kick.job.job_id, kick.expire_after_ms);
}

// "openDrawer": the kick, answered at once or after its confirmation.
void OpenDrawer(const flutter::ValueMap& arguments, std::unique_ptr<flutter::MethodResult> result,
                PrintSpooler& spooler, KickWatcher* watcher, DrawerStateService* state) {
  OpenDrawerOutcome kick = RunOpenDrawer(arguments, spooler);
  std::optional<DrawerStateCall> confirmation;
  if (state != nullptr) confirmation = ConfirmationOf(arguments, kick, state->settings());
  if (!confirmation) {
    result->Success(flutter::EncodableValue(std::move(kick.job.answer)));
    HandToWatcher(kick, watcher);
    return;
  }
  HandToWatcher(kick, watcher);
  state->Start(std::move(*confirmation),
               [shared = SharedResult(std::move(result)),
                answer = std::move(kick.job.answer)](const DrawerStateOutcome& outcome) {
                 flutter::ValueMap confirmed = answer;
                 if (std::optional<bool> opened = DrawerOpenedOf(outcome)) {
                   confirmed.emplace("drawerOpened", *opened);
                 }
                 shared->Success(flutter::EncodableValue(std::move(confirmed)));
               });
}

// "getDrawerState" and "waitForDrawer".
void AnswerDrawerState(const flutter::ValueMap& arguments, bool wait,
                       std::unique_ptr<flutter::MethodResult> result, PrintSpooler& spooler,
                       DrawerStateService* state) {
  SettingsStore* settings = state == nullptr ? nullptr : state->settings();
  DrawerStateCall call = ReadDrawerStateCall(arguments, wait, spooler, settings);
  if (state == nullptr) {
    const DrawerStateOutcome unread = UnreadOutcome(call, kNoStateServiceReason);
    result->Success(flutter::EncodableValue(DrawerStateAnswer(unread)));
    return;
  }
  state->Start(std::move(call),
               [shared = SharedResult(std::move(result))](const DrawerStateOutcome& outcome) {
                 shared->Success(flutter::EncodableValue(DrawerStateAnswer(outcome)));
               });
}

}  // namespace

void HandleCashDrawerCall(const flutter::MethodCall& call,
                          std::unique_ptr<flutter::MethodResult> result, PrintSpooler& spooler,
                          KickWatcher* watcher, DrawerStateService* state) {
  const std::string& method = call.method_name();
  if (method == "listPrinters") {
    result->Success(flutter::EncodableValue(BuildPrinterList(spooler)));
    return;
  }
  const bool reads_state = method == "getDrawerState" || method == "waitForDrawer";
  if (method != "openDrawer" && !reads_state) {
    result->NotImplemented();
    return;
  }
  const flutter::ValueMap* arguments = ArgumentMap(call, *result);
  if (arguments == nullptr) return;
  if (reads_state) {
    AnswerDrawerState(*arguments, method == "waitForDrawer", std::move(result), spooler, state);
  } else {
    OpenDrawer(*arguments, std::move(result), spooler, watcher, state);
  }
}

// The printer is chosen before the remaining entries are read.
OpenDrawerOutcome RunOpenDrawer(const flutter::ValueMap& arguments, PrintSpooler& spooler) {
  OpenDrawerOutcome outcome;
  outcome.printer = ChoosePrinter(ReadStringArgument(arguments, "printerName"),
                                  ReadStringArgument(arguments, "modelHint"), spooler);
  const int32_t pin = ReadIntArgument(arguments, "pin", kDefaultPin);
  const int32_t pulse_on = ReadIntArgument(arguments, "pulseOn", kDefaultPulseOn);
  const int32_t pulse_off = ReadIntArgument(arguments, "pulseOff", kDefaultPulseOff);
  const std::string protocol = ToUtf8String(ReadStringArgument(arguments, "protocol"));
  outcome.expire_after_ms = std::min<int32_t>(
      ReadIntArgument(arguments, "expireAfterMs", kDefaultExpireAfterMs), kLongestKickTimeMs);
  outcome.confirm_within_ms =
      ReadTimeArgument(arguments, "confirmWithinMs", 0, kLongestWaitTimeoutMs);
  outcome.job = RunDrawerJob(outcome.printer.name, protocol, pin, pulse_on, pulse_off, spooler);
  return outcome;
}

std::optional<DrawerStateCall> ConfirmationOf(const flutter::ValueMap& arguments,
                                              const OpenDrawerOutcome& kick,
                                              SettingsStore* settings) {
  if (kick.confirm_within_ms <= 0 || !kick.job.sent) return std::nullopt;
  return ReadConfirmationCall(arguments, kick.printer, kick.confirm_within_ms, settings);
}

}  // namespace kestro
