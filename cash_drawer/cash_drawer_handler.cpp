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

const flutter::EncodableValue* Find(const flutter::ValueMap& arguments, const std::string& key) {
  auto entry = arguments.find(flutter::EncodableValue(key));
  return entry == arguments.end() ? nullptr : &entry->second;
}

// Hands a command the spooler took to the watch, unless told not to watch it.
void HandToWatcher(const OpenDrawerOutcome& kick, KickWatcher* watcher) {
  if (watcher == nullptr || kick.expire_after_ms <= 0) return;
  if (!kick.job.sent || kick.job.job_id == 0) return;
  watcher->Watch(kick.printer.name, kick.job.job_id, kick.expire_after_ms);
}

// Runs "openDrawer" on a map; what became of the command is told after the
// answer has gone.
void OpenDrawer(const flutter::ValueMap& arguments, flutter::MethodResult& result,
                PrintSpooler& spooler, const CashDrawerServices& services) {
  const KickExpiry expiry =
      services.settings == nullptr ? KickExpiry{} : ReadKickExpiry(*services.settings);
  const OpenDrawerOutcome kick = RunOpenDrawer(arguments, spooler, expiry);
  result.Success(flutter::EncodableValue(kick.job.answer));
  if (services.audit != nullptr) AuditKickSend(*services.audit, kick, KickRequester::kApp);
  HandToWatcher(kick, services.watcher);
}

}  // namespace

void HandleCashDrawerCall(const flutter::MethodCall& call,
                          std::unique_ptr<flutter::MethodResult> result, PrintSpooler& spooler,
                          const CashDrawerServices& services) {
  const std::string& method = call.method_name();
  if (method == "listPrinters") {
    result->Success(flutter::EncodableValue(BuildPrinterList(spooler)));
  } else if (method == "openDrawer") {
    const flutter::EncodableValue* arguments = call.arguments();
    const flutter::ValueMap* map =
        arguments == nullptr ? nullptr : arguments->GetIf<flutter::ValueMap>();
    if (map == nullptr) {
      result->Error(kInvalidArgumentsCode, kInvalidArgumentsMessage, nullptr);
    } else {
      OpenDrawer(*map, *result, spooler, services);
    }
  } else {
    result->NotImplemented();
  }
  result.reset();
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
  outcome.job = RunDrawerJob(outcome.printer.name, outcome.protocol, outcome.pin, pulse_on,
                             pulse_off, spooler);
  return outcome;
}

std::u16string ReadStringArgument(const flutter::ValueMap& arguments, const std::string& key) {
  const flutter::EncodableValue* value = Find(arguments, key);
  const std::string* text = value == nullptr ? nullptr : value->GetIf<std::string>();
  return text == nullptr ? std::u16string() : ToWideString(*text);
}

int32_t ReadIntArgument(const flutter::ValueMap& arguments, const std::string& key,
                        int32_t default_value) {
  const flutter::EncodableValue* value = Find(arguments, key);
  if (value == nullptr) return default_value;
  if (const int32_t* small = value->GetIf<int32_t>()) return *small;
  if (const int64_t* large = value->GetIf<int64_t>()) {
    return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(*large)));
  }
  return default_value;
}

}  // namespace kestro
