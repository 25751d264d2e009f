#include "tools/kestro_drawer/drawer_tool.h"

#include <functional>
#include <optional>

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

// Says what was sent before watching the kick, which can take a while.
int RunOpen(const DrawerToolArguments& arguments, const DrawerToolContext& context,
            std::ostream& out) {
  OpenReport report = OpenDrawer(arguments, context.spooler);
  if (!arguments.json) WriteOpenText(arguments, report, out);
  out.flush();
  ConfirmSentKick(arguments, context.drawer_state, &report);
  if (!arguments.json) WriteConfirmationText(report, out);
  out.flush();
  WatchSentKick(arguments.wait_ms, context.spooler, context.clock, context.cut_short, &report);
  Show(
      arguments, [&] { return OpenJson(report); }, [&] { WriteKickText(report, out); }, out);
  return ExitFor(Succeeded(report));
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
      break;
  }
  const std::vector<ClearReport> clears = ClearKicks(printer, spooler);
  Show(
      arguments, [&] { return ClearJson(clears); }, [&] { WriteClearText(clears, out); }, out);
  return ExitFor(Succeeded(clears));
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
