#include "tools/kestro_drawer/report_text.h"

#include <iomanip>
#include <string>

#include "audit/record_line.h"
#include "cash_drawer/text_conversion.h"
#include "text/hex.h"
#include "tools/kestro_drawer/tool_words.h"
#include "value_notation/json_text.h"
#include "value_notation/value_notation.h"

namespace kestro {
namespace {

std::string Utf8(const std::u16string& text) { return ToUtf8String(text); }

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

// "1 job", "2 jobs".
std::string Count(size_t count, const std::string& noun) {
  return std::to_string(count) + " " + noun + (count == 1 ? "" : "s");
}

std::string Failure(const FailedCall& call) {
  return std::string(call.function) + " failed, error " + std::to_string(call.error_code);
}

std::string XpsWords(const std::optional<bool>& xps_driver) {
  if (!xps_driver) return "XPS-based or not: unknown, the driver could not be read";
  return *xps_driver ? "XPS-based" : "not XPS-based";
}

// The argument map's string entry `key`, as the command line gave it.
std::string GivenText(const DrawerToolArguments& arguments, const char* key) {
  auto entry = arguments.open_arguments.find(flutter::EncodableValue(key));
  if (entry == arguments.open_arguments.end()) return "";
  const std::string* text = entry->second.GetIf<std::string>();
  return text == nullptr ? "" : *text;
}

// Which printer was chosen, and why.
std::string ChoiceWords(const DrawerToolArguments& arguments, const PrinterChoice& choice) {
  const std::string name = GivenText(arguments, "printerName");
  const std::string hint = GivenText(arguments, "modelHint");
  const std::string chosen = Utf8(choice.name);
  switch (choice.rule) {
    case PrinterRule::kInstalledName:
      return chosen + ", by --printer " + Quoted(name) + ": an installed printer bears that name";
    case PrinterRule::kModelHint:
      return chosen + ", by --model-hint " + Quoted(hint) +
             ": the first installed printer whose name holds it";
    case PrinterRule::kUnmatchedName:
      return chosen + ", by --printer " + Quoted(name) +
             " as given: no installed printer bears that name";
    case PrinterRule::kDefaultPrinter:
      break;
  }
  const std::string why = hint.empty()
                              ? "no --printer or --model-hint given"
                              : "no installed printer's name holds --model-hint " + Quoted(hint);
  if (chosen.empty()) return "none: " + why + ", and there is no default printer";
  return chosen + ", the default printer: " + why;
}

std::string DataTypeWords(const DrawerJobReport& job) {
  const std::vector<std::u16string>& tried = job.data_types_tried;
  if (tried.empty()) return "none tried";
  std::string words = Utf8(tried.back());
  if (tried.size() == 2) {
    words += ", after " + Utf8(tried.front()) + " was refused (error " +
             std::to_string(kInvalidDataTypeError) + ")";
  }
  if (job.job_id == 0) words += ", refused";
  return words;
}

std::string SpacedHex(const std::vector<uint8_t>& bytes) {
  const std::string hex = text::ToHex(bytes);
  std::string spaced;
  for (size_t i = 0; i < hex.size(); i += 2) {
    if (i > 0) spaced += ' ';
    spaced += hex.substr(i, 2);
  }
  return spaced;
}

std::string AgeWords(const JobRecord& job, int64_t now_unix_ms) {
  if (job.submitted_unix_ms == 0) return "age unknown";
  return DurationWords(now_unix_ms - job.submitted_unix_ms) + " old";
}

void WriteJobLine(const JobRecord& job, int64_t now_unix_ms, std::ostream& out) {
  out << "  job " << job.id << ": "
      << (IsDrawerKick(job) ? std::string("drawer kick") : Quoted(Utf8(job.document_name))) << ", "
      << AgeWords(job, now_unix_ms) << ", " << JoinWords(JobStateWords(job.status));
  if (!job.status_text.empty()) out << " (port: " << Quoted(Utf8(job.status_text)) << ")";
  out << "\n";
}

// "(job 12)", "(job 12, 14)".
std::string JobIds(const std::vector<uint32_t>& ids) {
  std::string words;
  for (uint32_t id : ids) words += (words.empty() ? "" : ", ") + std::to_string(id);
  return "(job " + words + ")";
}

std::string WithdrawnWords(const ClearReport& clear) {
  std::vector<uint32_t> ids;
  for (const Withdrawal& withdrawal : clear.withdrawals) {
    if (!withdrawal.failure) ids.push_back(withdrawal.job_id);
  }
  if (ids.empty()) return "withdrew no drawer kick";
  return "withdrew " + Count(ids.size(), "drawer kick") + " " + JobIds(ids);
}

std::string LeftAloneWords(const ClearReport& clear) {
  std::string words = Count(clear.other_jobs, "other job");
  if (!clear.printed_kicks.empty()) {
    words += " and " + Count(clear.printed_kicks.size(), "drawer kick") + " already printed " +
             JobIds(clear.printed_kicks);
  }
  return words + " left alone";
}

// "by --via", "by the machine setting HKLM\Software\kestro\DrawerStateVia".
std::string SourceWords(SettingSource source, const char* option, const char16_t* list) {
  switch (source) {
    case SettingSource::kCall:
      return std::string("by ") + option;
    case SettingSource::kPolicy:
      return "by the policy setting " + SettingPath(SettingScope::kPolicy, list);
    case SettingSource::kMachine:
      return "by the machine setting " + SettingPath(SettingScope::kMachine, list);
    case SettingSource::kDefault:
      break;
  }
  return "by default";
}

// Where a setting of `config` came from: as SourceName says, but "machine
// setting".
std::string ConfigSourceWords(SettingSource source) {
  return source == SettingSource::kMachine ? "machine setting" : SourceName(source);
}

// One line of `config`: the name, the value in a column, where it came from.
void WriteConfigLine(const std::string& name, const std::string& value, const std::string& source,
                     std::ostream& out) {
  out << std::left << std::setw(20) << name << std::setw(7) << value << " " << source << "\n";
}

// A printer's channel in `config`: a channel of "port" is the one its
// spooler port gives, said to come from the printer port.
void WriteChannelConfig(const PrinterConfig& printer, std::ostream& out) {
  const std::string source = ConfigSourceWords(printer.channel.source);
  if (printer.channel.channel.kind != DrawerChannel::Kind::kPort) {
    WriteConfigLine("  DrawerStateVia", FormatDrawerChannel(printer.channel.channel), source, out);
    return;
  }
  const std::string from_port = "printer port, as the " + source + " says";
  if (printer.port_channel) {
    WriteConfigLine("  DrawerStateVia", FormatDrawerChannel(*printer.port_channel), from_port, out);
  } else {
    WriteConfigLine("  DrawerStateVia", "none", from_port + ": " + printer.port_reason, out);
  }
}

std::string ChannelWords(const DrawerStateOutcome& outcome) {
  const ChannelChoice& chosen = outcome.chosen;
  const std::string source = SourceWords(chosen.source, "--via", kDrawerStateViaList);
  switch (chosen.channel.kind) {
    case DrawerChannel::Kind::kNone:
      return chosen.source == SettingSource::kDefault ? "none set" : "none, " + source;
    case DrawerChannel::Kind::kPort:
      return ViaOf(outcome) + " (the printer's spooler port), " + source;
    case DrawerChannel::Kind::kSerial:
    case DrawerChannel::Kind::kTcp:
    case DrawerChannel::Kind::kUsb:
      break;
  }
  return ViaOf(outcome) + ", " + source;
}

// "closed: the level is high (online, cover closed)", or "unknown: REASON".
std::string StateWords(const DrawerReading& reading) {
  if (reading.state == DrawerState::kUnknown || !reading.status) {
    return std::string("unknown: ") + reading.reason;
  }
  const DrawerStatus& status = *reading.status;
  std::string words = std::string(StateName(reading.state)) + ": the level is " +
                      LevelName(status.level) + " (" + (status.offline ? "offline" : "online");
  if (status.cover_open) words += *status.cover_open ? ", cover open" : ", cover closed";
  return words + ")";
}

std::string WaitWords(const DrawerStateOutcome& outcome) {
  const std::string target = StateName(*outcome.waited_for);
  if (outcome.reached) {
    return "for " + target + ": reached after " + DurationWords(outcome.waited_ms);
  }
  return "for " + target + ": not reached within " + DurationWords(outcome.waited_ms);
}

std::string PortWords(const StateReport& report) {
  if (!report.port_channel) return "the printer's spooler port gives none: " + report.port_reason;
  return "the printer's spooler port would give " + FormatDrawerChannel(*report.port_channel) +
         " (set it with --via, or for the app with the DrawerStateVia setting)";
}

}  // namespace

void WriteConfirmationText(const OpenReport& report, std::ostream& out) {
  if (!report.confirmation) return;
  const DrawerStateOutcome& confirmation = *report.confirmation;
  const std::optional<bool> opened = DrawerOpenedOf(confirmation);
  out << "Drawer:    ";
  if (!opened) {
    out << "not confirmed, the state cannot be read: " << confirmation.reading.reason << "\n";
  } else if (*opened) {
    out << "read open after " << DurationWords(confirmation.waited_ms) << " (via "
        << ViaOf(confirmation) << ")\n";
  } else {
    out << "did not read open within " << DurationWords(confirmation.waited_ms) << "; it read "
        << StateWords(confirmation.reading) << " (via " << ViaOf(confirmation) << ")\n";
  }
}

void WriteStateText(const DrawerToolArguments& arguments, const StateReport& report,
                    std::ostream& out) {
  const DrawerStateOutcome& outcome = report.outcome;
  out << "Printer:   " << ChoiceWords(arguments, report.call.printer) << "\n"
      << "Channel:   " << ChannelWords(outcome) << "\n"
      << "Open:      " << LevelName(outcome.open_level.level) << " means open, "
      << SourceWords(outcome.open_level.source, "--open-level", kDrawerOpenLevelList) << "\n"
      << "State:     " << StateWords(outcome.reading) << "\n";
  if (outcome.waited_for) out << "Wait:      " << WaitWords(outcome) << "\n";
  if (report.port_channel || !report.port_reason.empty()) {
    out << "Port:      " << PortWords(report) << "\n";
  }
  if (outcome.reading.state != DrawerState::kUnknown) {
    out << "Note:      \"closed\" cannot prove that a drawer is connected; open it by hand and "
           "read again to be sure.\n";
  }
}

void WriteListText(const std::vector<PrinterListing>& printers, std::ostream& out) {
  if (printers.empty()) out << "No printers are listed.\n";
  for (const PrinterListing& listing : printers) {
    const PrinterEntry& entry = listing.printer.entry;
    out << Utf8(entry.name) << (listing.printer.is_default ? " (default)" : "") << "\n"
        << "  driver  " << Utf8(entry.driver_name) << " (" << XpsWords(listing.xps_driver) << ")\n"
        << "  port    " << Utf8(entry.port_name) << "\n"
        << "  state   " << JoinWords(PrinterStateWords(entry.status, entry.attributes)) << "; "
        << Count(entry.queued_jobs, "job") << " queued\n";
  }
  if (!printers.empty()) {
    out << "The states are the spooler's last word from each printer and can be wrong either "
           "way.\n";
  }
}

void WriteOpenText(const DrawerToolArguments& arguments, const OpenReport& report,
                   std::ostream& out) {
  const DrawerJobReport& job = report.outcome.job;
  out << "Printer:   " << ChoiceWords(arguments, report.outcome.printer) << "\n"
      << "Data type: " << DataTypeWords(job) << "\n"
      << "Command:   " << SpacedHex(job.command) << "   " << DrawerCommandWords(job.command) << "\n"
      << "Answer:    "
      << notation::DumpJson(*notation::ValueToJson(flutter::EncodableValue(job.answer))) << "\n"
      << "Job:       " << (job.job_id == 0 ? std::string("none") : std::to_string(job.job_id))
      << "\n";
}

void WriteKickText(const OpenReport& report, std::ostream& out) {
  if (report.unwatched) {
    out << "Queue:     not watched (--wait-ms 0): a kick the printer does not take stays queued "
           "and may open the drawer later\n";
  }
  if (!report.kick) return;
  const KickWatchOutcome& kick = *report.kick;
  const std::string age = DurationWords(kick.age_ms);
  const std::string error = "error " + std::to_string(kick.error_code);
  out << "Queue:     ";
  switch (kick.fate) {
    case KickFate::kLeftQueue:
      out << "the kick left the queue within " << age << "\n";
      return;
    case KickFate::kPrinted:
      out << "the kick was printed within " << age << "\n";
      return;
    case KickFate::kWithdrawn:
      out << "still queued after " << age
          << ", so it was withdrawn: it cannot open the drawer later\n";
      return;
    case KickFate::kWithdrawnWhilePrinting:
      out << "still printing after " << age
          << ", so it was withdrawn while printing: it may have reached the printer\n";
      return;
    case KickFate::kWithdrawFailed:
      out << "still queued after " << age << ", and SetJobW failed, " << error
          << ": it may open the drawer later\n";
      return;
    case KickFate::kUnknown:
      break;
  }
  out << "unknown after " << age << ": the kick could not be read or withdrawn (" << error
      << "); it may still be queued\n";
}

void WriteJobsText(const std::vector<QueueReport>& queues, int64_t now_unix_ms, std::ostream& out) {
  if (queues.empty()) out << "No printers are listed.\n";
  for (const QueueReport& queue : queues) {
    out << Utf8(queue.printer) << ": ";
    if (queue.failure) {
      out << Failure(*queue.failure) << "\n";
      continue;
    }
    out << (queue.jobs.empty() ? std::string("no jobs") : Count(queue.jobs.size(), "job")) << "\n";
    for (const JobRecord& job : queue.jobs) WriteJobLine(job, now_unix_ms, out);
  }
}

void WriteClearText(const std::vector<ClearReport>& clears, std::ostream& out) {
  size_t total = 0;
  for (const ClearReport& clear : clears) {
    out << Utf8(clear.queue.printer) << ": ";
    if (clear.queue.failure) {
      out << Failure(*clear.queue.failure) << "\n";
      continue;
    }
    total += WithdrawnCount(clear);
    out << WithdrawnWords(clear) << "; " << LeftAloneWords(clear) << "\n";
    for (const Withdrawal& withdrawal : clear.withdrawals) {
      if (withdrawal.failure) {
        out << "  job " << withdrawal.job_id << ": " << Failure(*withdrawal.failure) << "\n";
      }
    }
  }
  out << "Withdrew " << Count(total, "drawer kick") << ".\n";
}

void WriteLogText(const LogReport& log, std::ostream& out) {
  const RecordReading& reading = log.reading;
  if (!reading.found) {
    out << "No cash drawer record could be read in " << log.folder << ": " << reading.error << "\n";
    return;
  }
  if (reading.entries.empty()) out << "No cash drawer events on record.\n";
  for (const RecordEntry& entry : reading.entries) {
    out << FormatUtcTime(entry.unix_ms) << " " << entry.event;
    for (const auto& [name, value] : entry.object.items()) {
      if (name != "time" && name != "event") out << " " << name << "=" << value.dump();
    }
    out << "\n";
  }
  if (reading.skipped_lines > 0) {
    out << "Skipped " << Count(reading.skipped_lines, "line") << " cut short or not events.\n";
  }
}

void WriteConfigText(const ConfigReport& config, std::ostream& out) {
  for (const SettingReport& number : config.numbers) {
    WriteConfigLine(Utf8(number.setting->value_name), std::to_string(number.effective.value),
                    ConfigSourceWords(number.effective.source), out);
  }
  for (const PrinterConfig& printer : config.printers) {
    out << "Printer " << Quoted(Utf8(printer.printer)) << ":\n";
    WriteChannelConfig(printer, out);
    WriteConfigLine("  DrawerOpenLevel", LevelName(printer.open_level.level),
                    ConfigSourceWords(printer.open_level.source), out);
  }
  out << "Policies: HKLM\\" << Utf8(kPolicySettingsKey) << "; machine settings: HKLM\\"
      << Utf8(kMachineSettingsKey) << ".\n";
}

}  // namespace kestro
