#include "cash_drawer/cash_drawer_handler.h"

#include <algorithm>
#include <utility>

#include "cash_drawer/kick_audit.h"
#include "cash_drawer/kick_decision.h"
#include "cash_drawer/printer_enumeration.h"
#include "cash_drawer/text_conversion.h"

namespace kestro {
namespace {

constexpr int32_t kDefaultPin = 0;
constexpr int32_t kDefaultPulseOn = 25;
constexpr int32_t kDefaultPulseOff = 250;

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

// Tells the audit what became of the command, then hands a command the
// spooler took to the watch, unless told not to watch it.
void AfterKick(const OpenDrawerOutcome& kick, const CashDrawerServices& services) {
  if (services.audit != nullptr) AuditKickSend(*services.audit, kick, KickRequester::kApp);
  if (services.watcher == nullptr || kick.expire_after_ms <= 0) return;
  if (!kick.job.sent || kick.job.job_id == 0) return;
  services.watcher->Watch(kick.printer.name, kick.job.job_id, kick.expire_after_ms);
}

// "openDrawer": the kick, answered at once or after its confirmation.
void OpenDrawer(const flutter::ValueMap& arguments, std::unique_ptr<flutter::MethodResult> result,
                PrintSpooler& spooler, const CashDrawerServices& services) {
  const KickExpiry expiry =
      services.settings == nullptr ? KickExpiry{} : ReadKickExpiry(*services.settings);
  OpenDrawerOutcome kick = RunOpenDrawer(arguments, spooler, expiry);
  DrawerStateService* state = services.state;
  std::optional<DrawerStateCall> confirmation;
  if (state != nullptr) confirmation = ConfirmationOf(arguments, kick, state->settings());
  if (!confirmation) {
    result->Success(flutter::EncodableValue(kick.job.answer));
    AfterKick(kick, services);
    return;
  }
  AfterKick(kick, services);
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
                          const CashDrawerServices& services) {
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
    AnswerDrawerState(*arguments, method == "waitForDrawer", std::move(result), spooler,
                      services.state);
  } else {
    OpenDrawer(*arguments, std::move(result), spooler, services);
  }
}

// The printer is chosen before the remaining entries are read.
OpenDrawerOutcome RunOpenDrawer(const flutter::ValueMap& arguments, PrintSpooler& spooler,
                                const KickExpiry& expiry) {
  OpenDrawerOutcome outcome;
  outcome.printer = ChoosePrinter(ReadStringArgument(arguments, "printerName"),
                                  ReadStringArgument(arguments, "modelHint"), spooler);
  outcome.pin = ReadIntArgument(arguments, "pin", kDefaultPin);
  const int32_t pulse_on = ReadIntArgument(arguments, "pulseOn", kDefaultPulseOn);
  const int32_t pulse_off = ReadIntArgument(arguments, "pulseOff", kDefaultPulseOff);
  outcome.protocol = ToUtf8String(ReadStringArgument(arguments, "protocol"));
  const int32_t expire_after_ms =
      expiry.enforced_ms ? *expiry.enforced_ms
                         : ReadIntArgument(arguments, "expireAfterMs", expiry.default_ms);
  outcome.expire_after_ms = std::min<int32_t>(expire_after_ms, kLongestKickTimeMs);
  outcome.confirm_within_ms =
      ReadTimeArgument(arguments, "confirmWithinMs", 0, kLongestWaitTimeoutMs);
  outcome.job = RunDrawerJob(outcome.printer.name, outcome.protocol, outcome.pin, pulse_on,
                             pulse_off, spooler);
  return outcome;
}

std::optional<DrawerStateCall> ConfirmationOf(const flutter::ValueMap& arguments,
                                              const OpenDrawerOutcome& kick,
                                              SettingsStore* settings) {
  if (kick.confirm_within_ms <= 0 || !kick.job.sent) return std::nullopt;
  return ReadConfirmationCall(arguments, kick.printer, kick.confirm_within_ms, settings);
}

}  // namespace kestro
