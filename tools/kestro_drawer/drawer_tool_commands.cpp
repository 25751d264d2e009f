#include "tools/kestro_drawer/drawer_tool_commands.h"

#include <algorithm>
#include <memory>
#include <utility>

#include "cash_drawer/cash_drawer_job.h"
#include "cash_drawer/printer_opening.h"
#include "cash_drawer/text_conversion.h"

namespace kestro {
namespace {

constexpr uint32_t kPrintedMarks = kJobStatusPrinted | kJobStatusComplete | kJobStatusRetained;

std::optional<bool> NamedPrinterHasXpsDriver(const std::u16string& printer_name,
                                             PrintSpooler& spooler) {
  std::unique_ptr<OpenedPrinter> printer = spooler.OpenNamedPrinter(printer_name);
  if (!printer) return std::nullopt;
  return HasXpsDriver(*printer);
}

// The printers a queue command looks at: the one named, or every installed one.
std::vector<std::u16string> QueuePrinters(const std::u16string& printer, PrintSpooler& spooler) {
  if (!printer.empty()) return {printer};
  return InstalledPrinterNames(spooler);
}

// Reads the queue of `name`, a shared printer's from its server; the printer
// stays open in `*opened` when the queue could be read.
QueueReport ReadQueue(const std::u16string& name, PrintSpooler& spooler,
                      std::unique_ptr<OpenedPrinter>* opened) {
  QueueReport report;
  report.printer = name;
  QueuePrinter queue_printer = OpenQueuePrinter(spooler, name);
  *opened = std::move(queue_printer.printer);
  if (!*opened) {
    report.failure = FailedCall{queue_printer.function, queue_printer.error_code};
  } else if (!(*opened)->ReadJobs(&report.jobs)) {
    report.failure = FailedCall{"EnumJobsW", spooler.LastErrorCode()};
    report.jobs.clear();
    opened->reset();
  }
  return report;
}

ClearReport ClearQueue(const std::u16string& name, PrintSpooler& spooler) {
  ClearReport report;
  std::unique_ptr<OpenedPrinter> printer;
  report.queue = ReadQueue(name, spooler, &printer);
  if (!printer) return report;
  for (const JobRecord& job : report.queue.jobs) {
    if (!IsDrawerKick(job)) {
      ++report.other_jobs;
      continue;
    }
    if ((job.status & kPrintedMarks) != 0) {
      report.printed_kicks.push_back(job.id);
      continue;
    }
    Withdrawal withdrawal{job.id, std::nullopt};
    if (!printer->DeleteJob(job.id)) {
      withdrawal.failure = FailedCall{"SetJobW", spooler.LastErrorCode()};
    }
    report.withdrawals.push_back(withdrawal);
  }
  return report;
}

// How long job `job_id` of `queue` had been queued at `now_unix_ms`, when
// its submission time is known.
std::optional<int64_t> QueuedFor(const QueueReport& queue, uint32_t job_id, int64_t now_unix_ms) {
  for (const JobRecord& job : queue.jobs) {
    if (job.id == job_id && job.submitted_unix_ms != 0) {
      return std::max<int64_t>(0, now_unix_ms - job.submitted_unix_ms);
    }
  }
  return std::nullopt;
}

// Whether the record's line names `folded_printer` (already case-folded).
bool NamesPrinter(const RecordEntry& entry, const std::u16string& folded_printer) {
  const auto printer = entry.object.find("printer");
  return printer != entry.object.end() && printer->is_string() &&
         FoldCase(ToWideString(printer->get<std::string>())) == folded_printer;
}

}  // namespace

bool IsDrawerKick(const JobRecord& job) { return job.document_name == kDrawerDocumentName; }

std::vector<PrinterListing> ListPrinters(PrintSpooler& spooler) {
  std::vector<PrinterListing> listings;
  for (ListedPrinter& printer : ListInstalledPrinters(spooler)) {
    std::optional<bool> xps_driver = NamedPrinterHasXpsDriver(printer.entry.name, spooler);
    listings.push_back({std::move(printer), xps_driver});
  }
  return listings;
}

OpenReport OpenDrawer(const DrawerToolArguments& arguments, PrintSpooler& spooler) {
  OpenReport report;
  report.outcome = RunOpenDrawer(arguments.open_arguments, spooler);
  return report;
}

void ConfirmSentKick(const DrawerToolArguments& arguments, const DrawerStateBackend* backend,
                     OpenReport* report) {
  SettingsStore* settings = backend == nullptr ? nullptr : backend->settings.get();
  const std::optional<DrawerStateCall> call =
      ConfirmationOf(arguments.open_arguments, report->outcome, settings);
  if (!call) return;
  report->confirmation = backend == nullptr
                             ? UnreadOutcome(*call, kNoStateServiceReason)
                             : CarryOutDrawerStateCall(*call, *backend, nullptr, nullptr);
}

StateReport ReadState(const DrawerToolArguments& arguments, PrintSpooler& spooler,
                      const DrawerStateBackend* backend) {
  StateReport report;
  SettingsStore* settings = backend == nullptr ? nullptr : backend->settings.get();
  report.call = ReadDrawerStateCall(arguments.open_arguments, arguments.wait, spooler, settings);
  if (backend == nullptr) {
    report.outcome = UnreadOutcome(report.call, kNoStateServiceReason);
    return report;
  }
  report.outcome = CarryOutDrawerStateCall(report.call, *backend, nullptr, nullptr);
  const bool unset = report.call.channel.channel.kind == DrawerChannel::Kind::kNone;
  if (unset && !report.call.printer.name.empty()) {
    report.port_channel = ChannelOfPrinterPort(report.call.printer.name, *backend->spooler,
                                               *backend->monitor, &report.port_reason);
  }
  return report;
}

void WatchSentKick(int64_t wait_ms, PrintSpooler& spooler, KickClock& clock,
                   const std::atomic<bool>* cut_short, OpenReport* report) {
  const OpenDrawerOutcome& outcome = report->outcome;
  if (!outcome.job.sent || outcome.job.job_id == 0) return;
  if (wait_ms <= 0) {
    report->unwatched = true;
    return;
  }
  report->kick =
      WatchKickToEnd(spooler, outcome.printer.name, outcome.job.job_id, wait_ms, clock, cut_short);
}

std::vector<QueueReport> ReadQueues(const std::u16string& printer, PrintSpooler& spooler) {
  std::vector<QueueReport> queues;
  for (const std::u16string& name : QueuePrinters(printer, spooler)) {
    std::unique_ptr<OpenedPrinter> opened;
    queues.push_back(ReadQueue(name, spooler, &opened));
  }
  return queues;
}

std::vector<ClearReport> ClearKicks(const std::u16string& printer, PrintSpooler& spooler) {
  std::vector<ClearReport> clears;
  for (const std::u16string& name : QueuePrinters(printer, spooler)) {
    clears.push_back(ClearQueue(name, spooler));
  }
  return clears;
}

void AuditClears(const std::vector<ClearReport>& clears, int64_t now_unix_ms, DrawerAudit& audit) {
  for (const ClearReport& clear : clears) {
    const std::u16string& printer = clear.queue.printer;
    for (const Withdrawal& withdrawal : clear.withdrawals) {
      if (withdrawal.failure) {
        audit.WithdrawalFailed(printer, withdrawal.job_id, withdrawal.failure->error_code,
                               KickRequester::kTool);
      } else {
        audit.KickWithdrawn(printer, withdrawal.job_id,
                            QueuedFor(clear.queue, withdrawal.job_id, now_unix_ms),
                            KickRequester::kTool);
      }
    }
  }
}

LogReport ReadLog(RecordFolder& folder, const std::u16string& printer,
                  std::optional<int64_t> since_unix_ms) {
  LogReport report{folder.Describe(), ReadRecord(folder)};
  const std::u16string folded_printer = FoldCase(printer);
  std::vector<RecordEntry>& entries = report.reading.entries;
  entries.erase(std::remove_if(entries.begin(), entries.end(),
                               [&](const RecordEntry& entry) {
                                 return (since_unix_ms && entry.unix_ms < *since_unix_ms) ||
                                        (!printer.empty() && !NamesPrinter(entry, folded_printer));
                               }),
                entries.end());
  return report;
}

ConfigReport ReadConfig(DrawerSettingsReader& settings, PrintSpooler& spooler,
                        SpoolerPortMonitor* monitor) {
  ConfigReport report;
  for (const NumberSetting* setting : kNumberSettings) {
    report.numbers.push_back({setting, settings.Read(*setting)});
  }
  for (const std::u16string& name : InstalledPrinterNames(spooler)) {
    PrinterConfig printer;
    printer.printer = name;
    printer.channel = ChooseDrawerChannel(name, u"", settings.store());
    printer.open_level = ChooseOpenLevel(name, u"", settings.store());
    if (printer.channel.channel.kind == DrawerChannel::Kind::kPort) {
      if (monitor == nullptr) {
        printer.port_reason = kNoStateServiceReason;
      } else {
        printer.port_channel = ChannelOfPrinterPort(name, spooler, *monitor, &printer.port_reason);
      }
    }
    report.printers.push_back(std::move(printer));
  }
  return report;
}

size_t WithdrawnCount(const ClearReport& clear) {
  return static_cast<size_t>(
      std::count_if(clear.withdrawals.begin(), clear.withdrawals.end(),
                    [](const Withdrawal& withdrawal) { return !withdrawal.failure.has_value(); }));
}

bool Succeeded(const OpenReport& report) {
  const bool confirmed = !report.confirmation || DrawerOpenedOf(*report.confirmation) == true;
  if (!confirmed) return false;
  if (report.unwatched) return true;
  if (!report.kick) return false;
  switch (report.kick->fate) {
    case KickFate::kLeftQueue:
    case KickFate::kPrinted:
    case KickFate::kWithdrawnWhilePrinting:
      return true;
    case KickFate::kWithdrawn:
    case KickFate::kWithdrawFailed:
    case KickFate::kUnknown:
      break;
  }
  return false;
}

bool Succeeded(const StateReport& report) {
  if (report.outcome.reading.state == DrawerState::kUnknown) return false;
  return !report.outcome.waited_for || report.outcome.reached;
}

bool Succeeded(const std::vector<QueueReport>& queues) {
  return std::none_of(queues.begin(), queues.end(),
                      [](const QueueReport& queue) { return queue.failure.has_value(); });
}

bool Succeeded(const LogReport& log) { return log.reading.found; }

bool Succeeded(const std::vector<ClearReport>& clears) {
  return std::none_of(clears.begin(), clears.end(), [](const ClearReport& clear) {
    return clear.queue.failure ||
           std::any_of(clear.withdrawals.begin(), clear.withdrawals.end(),
                       [](const Withdrawal& withdrawal) { return withdrawal.failure.has_value(); });
  });
}

}  // namespace kestro
