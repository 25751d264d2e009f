#include "tools/kestro_drawer/report_json.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cash_drawer/cash_drawer_job.h"
#include "cash_drawer/testing/fake_print_spooler.h"
#include "value_notation/json_text.h"

namespace kestro {
namespace {

using kestro_testing::MakeJob;
using nlohmann::json;

constexpr int64_t kNow = 1700000000000;

std::vector<PrinterListing> TwoPrinters() {
  PrinterEntry receipt{
      u"Receipt", u"EPSON TM-T20II", u"USB001", kPrinterStatusOffline, kPrinterAttributeWorkOffline,
      3};
  PrinterEntry office{u"B\u00fcro", u"", u"", 0, 0, 0};
  return {{{receipt, true}, false}, {{office, false}, std::nullopt}};
}

OpenReport SentAfterARetry() {
  OpenReport report;
  report.outcome.printer = {u"Receipt", PrinterRule::kModelHint};
  DrawerJobReport& job = report.outcome.job;
  job.answer = {{"success", true}, {"message", kSentMessage}, {"printerName", "Receipt"}};
  job.sent = true;
  job.job_id = 7;
  job.data_types_tried = {kXpsPassDataType, kRawDataType};
  job.command = {0x1B, 0x07, 0x19, 0x7F, 0x07};
  report.kick = KickWatchOutcome{KickFate::kWithdrawFailed, 5, 30000};
  return report;
}

OpenReport UnknownPrinter() {
  OpenReport report;
  report.outcome.printer = {u"Kitchen", PrinterRule::kUnmatchedName};
  DrawerJobReport& job = report.outcome.job;
  job.answer = {{"success", false}, {"message", kOpenFailedMessage}, {"errorCode", 1801}};
  job.command = {0x1B, 0x70, 0x00, 0x19, 0xFA};
  return report;
}

std::vector<QueueReport> Queues() {
  JobRecord kick = MakeJob(12, kDrawerDocumentName, kJobStatusPaused, kNow - 90000);
  kick.position = 1;
  kick.total_pages = 1;
  kick.status_text = u"Paper jam";
  JobRecord invoice = MakeJob(13, u"Invoice", 0, 0);
  invoice.position = 2;
  invoice.total_pages = 3;
  invoice.pages_printed = 1;
  return {{u"Receipt", std::nullopt, {kick, invoice}},
          {u"Kitchen", FailedCall{"EnumJobsW", 1804}, {}}};
}

std::vector<ClearReport> Clears() {
  const std::vector<QueueReport> queues = Queues();
  return {{queues[0], {{12, std::nullopt}, {14, FailedCall{"SetJobW", 5}}}, 1}, {queues[1], {}, 0}};
}

struct JsonCase {
  const char* label;
  json actual;
  const char* expected;
};

TEST(ReportJson, EachCommandIsOneDocumentWithEveryField) {
  const JsonCase cases[] = {
      {"list", ListJson(TwoPrinters()), R"({"printers": [
          {"name": "Receipt", "isDefault": true, "driverName": "EPSON TM-T20II",
           "xpsDriver": false, "portName": "USB001", "status": 128, "attributes": 1024,
           "state": ["offline", "work offline"], "queuedJobs": 3},
          {"name": "B\u00fcro", "isDefault": false, "driverName": "", "xpsDriver": null,
           "portName": "", "status": 0, "attributes": 0, "state": ["ready"], "queuedJobs": 0}]})"},
      {"open, sent after a refused data type", OpenJson(SentAfterARetry()), R"({
          "printer": {"name": "Receipt", "rule": "modelHint"},
          "dataTypes": ["XPS_PASS", "RAW"], "command": "1b07197f07",
          "commandWords": "ESC BEL (Star): drive pulse on 25, off 127, external device 1",
          "answer": {"message": "The cash drawer command was sent to the printer.",
                     "printerName": "Receipt", "success": true},
          "jobId": 7, "kick": {"fate": "withdrawFailed", "errorCode": 5, "ageMs": 30000}})"},
      {"open, unknown printer", OpenJson(UnknownPrinter()), R"({
          "printer": {"name": "Kitchen", "rule": "unmatchedName"},
          "dataTypes": [], "command": "1b700019fa",
          "commandWords": "ESC p: pulse on connector pin 2 (drawer as number), on 25, off 250",
          "answer": {"errorCode": 1801, "success": false,
                     "message": "Windows could not open the selected printer."},
          "jobId": null, "kick": null})"},
      {"jobs", JobsJson(Queues(), kNow), R"({"printers": [
          {"name": "Receipt", "jobs": [
            {"id": 12, "document": "Kestro - Open cash drawer", "drawerKick": true,
             "submittedUnixMs": 1699999910000, "ageMs": 90000, "status": 1, "state": ["paused"],
             "statusText": "Paper jam", "position": 1, "totalPages": 1, "pagesPrinted": 0},
            {"id": 13, "document": "Invoice", "drawerKick": false, "submittedUnixMs": 0,
             "ageMs": null, "status": 0, "state": ["queued"], "statusText": "", "position": 2,
             "totalPages": 3, "pagesPrinted": 1}]},
          {"name": "Kitchen", "call": "EnumJobsW", "errorCode": 1804}]})"},
      {"clear", ClearJson(Clears()), R"({"withdrawn": 1, "printers": [
          {"name": "Receipt", "withdrawn": [12],
           "failed": [{"id": 14, "call": "SetJobW", "errorCode": 5}], "otherJobs": 1},
          {"name": "Kitchen", "call": "EnumJobsW", "errorCode": 1804}]})"},
  };
  for (const JsonCase& c : cases) {
    SCOPED_TRACE(c.label);
    std::string error;
    const std::optional<json> expected = notation::ParseJson(c.expected, &error);
    ASSERT_TRUE(expected.has_value()) << error;
    EXPECT_EQ(c.actual, *expected);
  }
}

// A kick withdrawn while printing has a fate of its own; nothing else of the
// document changes.
TEST(ReportJson, AKickWithdrawnWhilePrintingSaysSo) {
  OpenReport report = SentAfterARetry();
  report.kick = KickWatchOutcome{KickFate::kWithdrawnWhilePrinting, 0, 35000};
  json expected = OpenJson(SentAfterARetry());
  expected["kick"] = {{"fate", "withdrawnWhilePrinting"}, {"errorCode", 0}, {"ageMs", 35000}};
  EXPECT_EQ(OpenJson(report), expected);
}

}  // namespace
}  // namespace kestro
