#include "tools/kestro_drawer/drawer_tool.h"

#include <optional>

#include "cash_drawer/text_conversion.h"
#include "tools/kestro_drawer/drawer_tool_arguments.h"
#include "tools/kestro_drawer/drawer_tool_commands.h"
#include "tools/kestro_drawer/report_json.h"
#include "tools/kestro_drawer/report_text.h"
#include "value_notation/json_text.h"

namespace kestro {
namespace {

int ExitFor(bool succeeded) { return succeeded ? kDrawerToolDone : kDrawerToolRefused; }

void WriteJson(const nlohmann::json& document, std::ostream& out) {
  out << notation::DumpJson(document) << "\n";
}

int RunList(const DrawerToolArguments& arguments, const DrawerToolContext& context,
            std::ostream& out) {
  const std::vector<PrinterListing> printers = ListPrinters(context.spooler);
  if (arguments.json) {
    WriteJson(ListJson(printers), out);
  } else {
    WriteListText(printers, out);
  }
  return kDrawerToolDone;
}

int RunOpen(const DrawerToolArguments& arguments, const DrawerToolContext& context,
            std::ostream& out) {
  const OpenReport report = OpenDrawer(arguments, context.spooler);
  if (arguments.json) {
    WriteJson(OpenJson(report), out);
  } else {
    WriteOpenText(arguments, report, out);
  }
  return ExitFor(Succeeded(report));
}

int RunJobs(const DrawerToolArguments& arguments, const DrawerToolContext& context,
            std::ostream& out) {
  const std::vector<QueueReport> queues =
      ReadQueues(ToWideString(arguments.printer), context.spooler);
  if (arguments.json) {
    WriteJson(JobsJson(queues, context.now_unix_ms), out);
  } else {
    WriteJobsText(queues, context.now_unix_ms, out);
  }
  return ExitFor(Succeeded(queues));
}

int RunClear(const DrawerToolArguments& arguments, const DrawerToolContext& context,
             std::ostream& out) {
  const std::vector<ClearReport> clears =
      ClearKicks(ToWideString(arguments.printer), context.spooler);
  if (arguments.json) {
    WriteJson(ClearJson(clears), out);
  } else {
    WriteClearText(clears, out);
  }
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
  switch (arguments->command) {
    case DrawerToolCommand::kHelp:
      out << kDrawerToolUsage;
      return kDrawerToolDone;
    case DrawerToolCommand::kList:
      return RunList(*arguments, context, out);
    case DrawerToolCommand::kOpen:
      return RunOpen(*arguments, context, out);
    case DrawerToolCommand::kJobs:
      return RunJobs(*arguments, context, out);
    case DrawerToolCommand::kClear:
      break;
  }
  return RunClear(*arguments, context, out);
}

}  // namespace kestro
