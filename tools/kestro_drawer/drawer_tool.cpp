#include "tools/kestro_drawer/drawer_tool.h"

#include <functional>
#include <optional>

#include "cash_drawer/kick_audit.h"
#include "cash_drawer/text_conversion.h"
#include "tools/kestro_drawer/drawer_tool_arguments.h"
#include "tools/kestro_drawer/drawer_tool_commands.h"
#include "tools/kestro_drawer/report_json.h"
#include "tools/kestro_drawer/report_text.h"

namespace kestro {
namespace {

int ExitFor(bool succeeded) { return succeeded ? kDrawerToolDone : kDrawerToolRefused; }

// Writes a report as one JSON document (`document`) or in words (`words`).
void Show(const DrawerToolArguments& arguments, const std::function<nlohmann::json()>& document,
          const std::function<void()>& words, std::ostream& out) {
  if (arguments.json) {
    out << JsonReportText(document());
  } else {
    words();
  }
}

// Says what was sent before watching the kick, which can take a while; the
// audit is told after each step is shown.
int RunOpen(const DrawerToolArguments& arguments, const DrawerToolContext& context,
            std::ostream& out) {
  OpenReport report = OpenDrawer(arguments, context.spooler);
  if (!arguments.json) WriteOpenText(arguments, report, out);
  out.flush();
  AuditKickSend(context.audit, report.outcome, KickRequester::kTool);
  ConfirmSentKick(arguments, context.drawer_state, &report);
  if (!arguments.json) WriteConfirmationText(report, out);
  out.flush();
  WatchSentKick(arguments.wait_ms, context.spooler, context.clock, context.cut_short, &report);
  Show(
      arguments, [&] { return OpenJson(report); }, [&] { WriteKickText(report, out); }, out);
  if (report.kick) {
    AuditKickWatchEnd(context.audit, report.outcome.printer.name, report.outcome.job.job_id,
                      *report.kick, KickRequester::kTool);
  }
  return ExitFor(Succeeded(report));
}

int RunClear(const DrawerToolArguments& arguments, const DrawerToolContext& context,
             std::ostream& out) {
  const std::vector<ClearReport> clears =
      ClearKicks(ToWideString(arguments.printer), context.spooler);
  Show(
      arguments, [&] { return ClearJson(clears); }, [&] { WriteClearText(clears, out); }, out);
  AuditClears(clears, context.now_unix_ms, context.audit);
  return ExitFor(Succeeded(clears));
}

int RunLog(const DrawerToolArguments& arguments, const DrawerToolContext& context,
           std::ostream& out) {
  const std::optional<int64_t> since =
      arguments.since.empty() ? std::nullopt : SinceTime(arguments.since, context.now_unix_ms);
  const LogReport log = ReadLog(context.record, ToWideString(arguments.printer), since);
  Show(
      arguments, [&] { return LogJson(log); }, [&] { WriteLogText(log, out); }, out);
  return ExitFor(Succeeded(log));
}

int RunCommand(const DrawerToolArguments& arguments, const DrawerToolContext& context,
               std::ostream& out) {
  PrintSpooler& spooler = context.spooler;
  const int64_t now = context.now_unix_ms;
  const std::u16string printer = ToWideString(arguments.printer);
  switch (arguments.command) {
    case DrawerToolCommand::kHelp:
      out << kDrawerToolUsage;
      return kDrawerToolDone;
    case DrawerToolCommand::kList: {
      const std::vector<PrinterListing> printers = ListPrinters(spooler);
      Show(
          arguments, [&] { return ListJson(printers); }, [&] { WriteListText(printers, out); },
          out);
      return kDrawerToolDone;
    }
    case DrawerToolCommand::kOpen:
      return RunOpen(arguments, context, out);
    case DrawerToolCommand::kJobs: {
      const std::vector<QueueReport> queues = ReadQueues(printer, spooler);
      Show(
          arguments, [&] { return JobsJson(queues, now); },
          [&] { WriteJobsText(queues, now, out); }, out);
      return ExitFor(Succeeded(queues));
    }
    case DrawerToolCommand::kState: {
      const StateReport report = ReadState(arguments, spooler, context.drawer_state);
      Show(
          arguments, [&] { return StateJson(report); },
          [&] { WriteStateText(arguments, report, out); }, out);
      return ExitFor(Succeeded(report));
    }
    case DrawerToolCommand::kClear:
      return RunClear(arguments, context, out);
    case DrawerToolCommand::kLog:
      return RunLog(arguments, context, out);
    case DrawerToolCommand::kConfig:
      break;
  }
  const DrawerStateBackend* backend = context.drawer_state;
  const ConfigReport config =
      ReadConfig(context.settings, spooler, backend == nullptr ? nullptr : backend->monitor.get());
  Show(
      arguments, [&] { return ConfigJson(config); }, [&] { WriteConfigText(config, out); }, out);
  return kDrawerToolDone;
}

}  // namespace

int RunDrawerTool(const std::vector<std::string>& args, const DrawerToolContext& context,
                  std::ostream& out, std::ostream& err) {
  std::string error;
  const std::optional<DrawerToolArguments> arguments = ParseDrawerToolArguments(args, &error);
  if (!arguments) {
    err << "kestro-drawer: " << error << "\n" << kDrawerToolUsage;
    return kDrawerToolBadUsage;
  }
  return RunCommand(*arguments, context, out);
}

bool SendsAKick(const std::vector<std::string>& args) {
  std::string error;
  const std::optional<DrawerToolArguments> arguments = ParseDrawerToolArguments(args, &error);
  return arguments && arguments->command == DrawerToolCommand::kOpen;
}

}  // namespace kestro
