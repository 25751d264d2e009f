// kestro-drawer's reports as one JSON document each, for scripts and remote
// support. Names and texts are UTF-8 strings; the answer of `open` is in the
// project's value notation, as the app would receive it.
//
//   list   {"printers": [{"name", "isDefault", "driverName", "xpsDriver"
//          (null when unknown), "portName", "status", "attributes", "state"
//          (words), "queuedJobs"}]}
//   open   {"printer": {"name", "rule"}, "dataTypes", "command", "commandWords",
//          "answer", "jobId" (null when no document started), "kick": {"fate"
//          ("leftQueue", "printed", "withdrawn", "withdrawnWhilePrinting",
//          "withdrawFailed", "unknown", or "notWatched" with null age and code
//          at --wait-ms 0), "ageMs", "errorCode"} (null when nothing was sent),
//          and with --confirm-ms "confirmation": {"drawerOpened" (null when
//          the state cannot be read), "state", "via", "waitedMs", "reason"}
//   state  {"printer": {"name", "rule"}, "channel": {"via", "setting",
//          "source"}, "openLevel": {"level", "source"}, "state", "level",
//          "offline", "coverOpen", "reason", "wait": {"for", "reached",
//          "waitedMs"}, "portChannel", "portReason"}; what was not read, or
//          does not apply, is null
//   jobs   {"printers": [{"name", "jobs": [{"id", "document", "drawerKick",
//          "submittedUnixMs", "ageMs" (null when unknown), "status", "state",
//          "statusText", "position", "totalPages", "pagesPrinted"}]}]}
//   clear  {"withdrawn": total, "printers": [{"name", "withdrawn": [ids],
//          "failed": [{"id", "call", "errorCode"}], "printedKicks": [ids] (left
//          alone), "otherJobs"}]}
//   log    {"folder", "error" (null when the record was read), "events": [the
//          record's objects as written], "skippedLines"}
//   config {"settings": [{"name", "value", "from" ("policy", "machine" or
//          "default")}], "printers": [{"name", "drawerStateVia": {"setting",
//          "source", "portChannel", "portReason"}, "drawerOpenLevel":
//          {"level", "source"}}]}; the port's entries are null unless the
//          setting is "port"
// A printer whose queue could not be read has {"name", "call", "errorCode"}
// instead, naming the failing Windows function.

#ifndef KESTRO_TOOLS_KESTRO_DRAWER_REPORT_JSON_H_
#define KESTRO_TOOLS_KESTRO_DRAWER_REPORT_JSON_H_

#include <cstdint>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "tools/kestro_drawer/drawer_tool_commands.h"

namespace kestro {

nlohmann::json ListJson(const std::vector<PrinterListing>& printers);
nlohmann::json OpenJson(const OpenReport& report);
// Ages are counted up to `now_unix_ms`.
nlohmann::json JobsJson(const std::vector<QueueReport>& queues, int64_t now_unix_ms);
nlohmann::json ClearJson(const std::vector<ClearReport>& clears);
nlohmann::json StateJson(const StateReport& report);
nlohmann::json LogJson(const LogReport& log);
nlohmann::json ConfigJson(const ConfigReport& config);

// `report` as one line of text ending in "\n", all ASCII: every other
// character is a \u escape (a pair of them, UTF-16 surrogates, above
// U+FFFF). Windows PowerShell 5.1 decodes a program's output in the
// console's code page, which would garble UTF-8 names; escapes read right
// whatever the code page.
std::string JsonReportText(const nlohmann::json& report);

}  // namespace kestro

#endif  // KESTRO_TOOLS_KESTRO_DRAWER_REPORT_JSON_H_
