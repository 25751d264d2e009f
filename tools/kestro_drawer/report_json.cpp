#include "tools/kestro_drawer/report_json.h"

#include <string>

#include "cash_drawer/text_conversion.h"
#include "text/hex.h"
#include "tools/kestro_drawer/tool_words.h"
#include "value_notation/value_notation.h"

namespace kestro {
namespace {

using nlohmann::json;

std::string Utf8(const std::u16string& text) { return ToUtf8String(text); }

const char* RuleName(PrinterRule rule) {
  switch (rule) {
    case PrinterRule::kInstalledName:
      return "installedName";
    case PrinterRule::kModelHint:
      return "modelHint";
    case PrinterRule::kUnmatchedName:
      return "unmatchedName";
    case PrinterRule::kDefaultPrinter:
      break;
  }
  return "defaultPrinter";
}

const char* FateName(KickFate fate) {
  switch (fate) {
    case KickFate::kLeftQueue:
      return "leftQueue";
    case KickFate::kPrinted:
      return "printed";
    case KickFate::kWithdrawn:
      return "withdrawn";
    case KickFate::kWithdrawnWhilePrinting:
      return "withdrawnWhilePrinting";
    case KickFate::kWithdrawFailed:
      return "withdrawFailed";
    case KickFate::kUnknown:
      break;
  }
  return "unknown";
}

json KickJson(const OpenReport& report) {
  if (report.unwatched) return {{"fate", "notWatched"}, {"ageMs", nullptr}, {"errorCode", nullptr}};
  if (!report.kick) return nullptr;
  const KickWatchOutcome& kick = *report.kick;
  return {{"fate", FateName(kick.fate)}, {"ageMs", kick.age_ms}, {"errorCode", kick.error_code}};
}

json FailureJson(const std::u16string& printer, const FailedCall& call) {
  return {{"name", Utf8(printer)}, {"call", call.function}, {"errorCode", call.error_code}};
}

json PrinterJson(const PrinterListing& listing) {
  const PrinterEntry& entry = listing.printer.entry;
  return {{"name", Utf8(entry.name)},
          {"isDefault", listing.printer.is_default},
          {"driverName", Utf8(entry.driver_name)},
          {"xpsDriver", listing.xps_driver ? json(*listing.xps_driver) : json(nullptr)},
          {"portName", Utf8(entry.port_name)},
          {"status", entry.status},
          {"attributes", entry.attributes},
          {"state", PrinterStateWords(entry.status, entry.attributes)},
          {"queuedJobs", entry.queued_jobs}};
}

json JobJson(const JobRecord& job, int64_t now_unix_ms) {
  const bool dated = job.submitted_unix_ms != 0;
  return {{"id", job.id},
          {"document", Utf8(job.document_name)},
          {"drawerKick", IsDrawerKick(job)},
          {"submittedUnixMs", job.submitted_unix_ms},
          {"ageMs", dated ? json(now_unix_ms - job.submitted_unix_ms) : json(nullptr)},
          {"status", job.status},
          {"state", JobStateWords(job.status)},
          {"statusText", Utf8(job.status_text)},
          {"position", job.position},
          {"totalPages", job.total_pages},
          {"pagesPrinted", job.pages_printed}};
}

json QueueJson(const QueueReport& queue, int64_t now_unix_ms) {
  if (queue.failure) return FailureJson(queue.printer, *queue.failure);
  json jobs = json::array();
  for (const JobRecord& job : queue.jobs) jobs.push_back(JobJson(job, now_unix_ms));
  return {{"name", Utf8(queue.printer)}, {"jobs", std::move(jobs)}};
}

json ClearedQueueJson(const ClearReport& clear) {
  if (clear.queue.failure) return FailureJson(clear.queue.printer, *clear.queue.failure);
  json withdrawn = json::array();
  json failed = json::array();
  for (const Withdrawal& withdrawal : clear.withdrawals) {
    if (!withdrawal.failure) {
      withdrawn.push_back(withdrawal.job_id);
      continue;
    }
    failed.push_back({{"id", withdrawal.job_id},
                      {"call", withdrawal.failure->function},
                      {"errorCode", withdrawal.failure->error_code}});
  }
  return {{"name", Utf8(clear.queue.printer)},
          {"withdrawn", std::move(withdrawn)},
          {"failed", std::move(failed)},
          {"printedKicks", clear.printed_kicks},
          {"otherJobs", clear.other_jobs}};
}

json PrinterChoiceJson(const PrinterChoice& choice) {
  return {{"name", Utf8(choice.name)}, {"rule", RuleName(choice.rule)}};
}

template <typename T>
json OrNull(const std::optional<T>& value) {
  return value ? json(*value) : json(nullptr);
}

json TextOrNull(const std::string& text) { return text.empty() ? json(nullptr) : json(text); }

json ConfirmationJson(const DrawerStateOutcome& confirmation) {
  return {{"drawerOpened", OrNull(DrawerOpenedOf(confirmation))},
          {"state", StateName(confirmation.reading.state)},
          {"via", ViaOf(confirmation)},
          {"waitedMs", confirmation.waited_ms},
          {"reason", TextOrNull(confirmation.reading.reason)}};
}

json WaitJson(const DrawerStateOutcome& outcome) {
  if (!outcome.waited_for) return nullptr;
  return {{"for", StateName(*outcome.waited_for)},
          {"reached", outcome.reached},
          {"waitedMs", outcome.waited_ms}};
}

json PrinterConfigJson(const PrinterConfig& printer) {
  return {{"name", Utf8(printer.printer)},
          {"drawerStateVia",
           {{"setting", FormatDrawerChannel(printer.channel.channel)},
            {"source", SourceName(printer.channel.source)},
            {"portChannel", printer.port_channel ? json(FormatDrawerChannel(*printer.port_channel))
                                                 : json(nullptr)},
            {"portReason", TextOrNull(printer.port_reason)}}},
          {"drawerOpenLevel",
           {{"level", LevelName(printer.open_level.level)},
            {"source", SourceName(printer.open_level.source)}}}};
}

}  // namespace

json StateJson(const StateReport& report) {
  const DrawerStateOutcome& outcome = report.outcome;
  const DrawerReading& reading = outcome.reading;
  const bool read = reading.state != DrawerState::kUnknown && reading.status;
  const DrawerStatus* status = read ? &*reading.status : nullptr;
  return {{"printer", PrinterChoiceJson(report.call.printer)},
          {"channel",
           {{"via", ViaOf(outcome)},
            {"setting", FormatDrawerChannel(outcome.chosen.channel)},
            {"source", SourceName(outcome.chosen.source)}}},
          {"openLevel",
           {{"level", LevelName(outcome.open_level.level)},
            {"source", SourceName(outcome.open_level.source)}}},
          {"state", StateName(reading.state)},
          {"level", status != nullptr ? json(LevelName(status->level)) : json(nullptr)},
          {"offline", status != nullptr ? json(status->offline) : json(nullptr)},
          {"coverOpen", status != nullptr ? OrNull(status->cover_open) : json(nullptr)},
          {"reason", read ? json(nullptr) : json(reading.reason)},
          {"wait", WaitJson(outcome)},
          {"portChannel",
           report.port_channel ? json(FormatDrawerChannel(*report.port_channel)) : json(nullptr)},
          {"portReason", TextOrNull(report.port_reason)}};
}

json ListJson(const std::vector<PrinterListing>& printers) {
  json list = json::array();
  for (const PrinterListing& listing : printers) list.push_back(PrinterJson(listing));
  return {{"printers", std::move(list)}};
}

json OpenJson(const OpenReport& report) {
  const DrawerJobReport& job = report.outcome.job;
  json data_types = json::array();
  for (const std::u16string& data_type : job.data_types_tried)
    data_types.push_back(Utf8(data_type));
  // The answer holds strings, booleans and integers only, which the notation
  // always shows.
  json open = {{"printer", PrinterChoiceJson(report.outcome.printer)},
               {"dataTypes", std::move(data_types)},
               {"command", text::ToHex(job.command)},
               {"commandWords", DrawerCommandWords(job.command)},
               {"answer", *notation::ValueToJson(flutter::EncodableValue(job.answer))},
               {"jobId", job.job_id == 0 ? json(nullptr) : json(job.job_id)},
               {"kick", KickJson(report)}};
  if (report.confirmation) open["confirmation"] = ConfirmationJson(*report.confirmation);
  return open;
}

json JobsJson(const std::vector<QueueReport>& queues, int64_t now_unix_ms) {
  json printers = json::array();
  for (const QueueReport& queue : queues) printers.push_back(QueueJson(queue, now_unix_ms));
  return {{"printers", std::move(printers)}};
}

json ClearJson(const std::vector<ClearReport>& clears) {
  json printers = json::array();
  size_t total = 0;
  for (const ClearReport& clear : clears) {
    printers.push_back(ClearedQueueJson(clear));
    total += WithdrawnCount(clear);
  }
  return {{"withdrawn", total}, {"printers", std::move(printers)}};
}

json LogJson(const LogReport& log) {
  json events = json::array();
  for (const RecordEntry& entry : log.reading.entries) events.push_back(json(entry.object));
  return {{"folder", log.folder},
          {"error", log.reading.found ? json(nullptr) : json(log.reading.error)},
          {"events", std::move(events)},
          {"skippedLines", log.reading.skipped_lines}};
}

json ConfigJson(const ConfigReport& config) {
  json settings = json::array();
  for (const SettingReport& number : config.numbers) {
    settings.push_back({{"name", Utf8(number.setting->value_name)},
                        {"value", number.effective.value},
                        {"from", SourceName(number.effective.source)}});
  }
  json printers = json::array();
  for (const PrinterConfig& printer : config.printers)
    printers.push_back(PrinterConfigJson(printer));
  return {{"settings", std::move(settings)}, {"printers", std::move(printers)}};
}

std::string JsonReportText(const json& report) {
  constexpr bool kAsciiOnly = true;
  return report.dump(-1, ' ', kAsciiOnly, json::error_handler_t::replace) + "\n";
}

}  // namespace kestro
