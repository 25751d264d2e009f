// kestro-drawer's commands against the fake spooler, each checked by all it
// prints, its exit code and the spooler calls it makes.

#include "tools/kestro_drawer/drawer_tool.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "cash_drawer/cash_drawer_job.h"
#include "cash_drawer/testing/drawer_state_till.h"
#include "cash_drawer/testing/fake_print_spooler.h"
#include "cash_drawer/testing/manual_kick_clock.h"
#include "tools/kestro_drawer/drawer_tool_arguments.h"

namespace kestro {
namespace {

using kestro_testing::DrawerStateTill;
using kestro_testing::FakePrintSpooler;
using kestro_testing::MakeJob;
using kestro_testing::ManualKickClock;
using Step = FakePrintSpooler::Step;

constexpr int64_t kNow = 1700000000000;

struct ToolRun {
  int exit_code;
  std::string out;
  std::string err;
};

// Runs the tool on a clock that moves to each deadline at once, reading the
// drawer's state with `drawer_state` (none when null); `cut_short` stands for
// Ctrl+C.
ToolRun RunTool(FakePrintSpooler& spooler, const std::vector<std::string>& args,
                const DrawerStateBackend* drawer_state = nullptr,
                const std::atomic<bool>* cut_short = nullptr) {
  ManualKickClock clock;
  clock.SkipWaits();
  std::ostringstream out;
  std::ostringstream err;
  const int exit_code =
      RunDrawerTool(args, {spooler, kNow, clock, drawer_state, cut_short}, out, err);
  return {exit_code, out.str(), err.str()};
}

using Calls = std::vector<std::string>;

Calls Concat(Calls first, const Calls& second) {
  first.insert(first.end(), second.begin(), second.end());
  return first;
}

// The job calls of a kick sent as `data_type`, after `refused` was refused.
Calls SentKick(const std::string& refused = "", const std::string& data_type = "RAW") {
  Calls calls = {"OpenPrinterW", "GetPrinterDriverW"};
  if (!refused.empty())
    calls = Concat(calls, {"StartDocPrinterW(" + refused + ")", "GetLastError"});
  return Concat(calls, {"StartDocPrinterW(" + data_type + ")", "StartPagePrinter", "WritePrinter",
                        "EndPagePrinter", "EndDocPrinter", "ClosePrinter"});
}

// The watch of job 15: `reads` GetJobW calls, then `ending`, then the close.
Calls Watched(int reads, const Calls& ending) {
  Calls calls = {"OpenPrinterW"};
  calls.insert(calls.end(), reads, "GetJobW(15)");
  return Concat(Concat(calls, ending), {"ClosePrinter"});
}

// Two printers, the second the default, with a queue of two drawer kicks
// around another document.
FakePrintSpooler Till() {
  FakePrintSpooler spooler;
  spooler.printers = {{u"Office", u"HP LaserJet", u"IP_10.0.0.7", 0, 0, 0},
                      {u"Receipt", u"EPSON TM-T20II", u"USB001", kPrinterStatusOffline,
                       kPrinterAttributeWorkOffline, 3}};
  spooler.default_printer = u"Receipt";
  spooler.queue = {MakeJob(12, kDrawerDocumentName, kJobStatusSpooling, kNow - 90000),
                   MakeJob(13, u"Invoice 4711", kJobStatusPaused, kNow - 3000),
                   MakeJob(14, kDrawerDocumentName, 0, 0)};
  spooler.queue[1].status_text = u"Paper jam";
  spooler.next_job_id = 15;
  return spooler;
}

std::vector<uint32_t> QueuedIds(const FakePrintSpooler& spooler) {
  std::vector<uint32_t> ids;
  for (const JobRecord& job : spooler.queue) ids.push_back(job.id);
  return ids;
}

TEST(DrawerTool, ListShowsThePrintersInTheAppsOrderWithTheirState) {
  FakePrintSpooler spooler = Till();
  spooler.driver_attributes = kXpsDriverAttribute;
  const ToolRun run = RunTool(spooler, {"list"});
  EXPECT_EQ(run.exit_code, 0);
  EXPECT_EQ(run.out,
            "Office\n"
            "  driver  HP LaserJet (XPS-based)\n"
            "  port    IP_10.0.0.7\n"
            "  state   ready; 0 jobs queued\n"
            "Receipt (default)\n"
            "  driver  EPSON TM-T20II (XPS-based)\n"
            "  port    USB001\n"
            "  state   offline, work offline; 3 jobs queued\n"
            "The states are the spooler's last word from each printer and can be wrong either "
            "way.\n");
  EXPECT_EQ(run.err, "");
  // The state is only read: each printer is opened just to ask for its driver.
  EXPECT_EQ(spooler.JobCalls(),
            (std::vector<std::string>{"OpenPrinterW", "GetPrinterDriverW", "ClosePrinter",
                                      "OpenPrinterW", "GetPrinterDriverW", "ClosePrinter"}));
}

struct OpenCase {
  std::vector<std::string> args;
  std::function<void(FakePrintSpooler&)> arrange;
  int exit_code;
  std::string out;
  std::vector<uint8_t> written;
  std::vector<uint32_t> queue_after;
  Calls job_calls;
};

TEST(DrawerTool, OpenSendsTheAppsKickAndSaysWhatBecameOfIt) {
  const auto nothing = [](FakePrintSpooler&) {};
  const std::string sent_answer =
      "Answer:    {\"message\":\"The cash drawer command was sent to the "
      "printer.\",\"printerName\":\"Receipt\",\"success\":true}\n";
  // What `open` says of the default kick sent to the default printer as job 15.
  const std::string default_kick =
      "Printer:   Receipt, the default printer: no --printer or --model-hint given\n"
      "Data type: RAW\n"
      "Command:   1b 70 00 19 fa   ESC p: pulse on connector pin 2 (drawer as number), on 25, "
      "off 250\n" +
      sent_answer + "Job:       15\n";
  const OpenCase cases[] = {
      {{"open", "--printer", "RECEIPT", "--protocol", "starPrnt", "--pin", "1"},
       [](FakePrintSpooler& s) { s.before_read_job = [&s](uint32_t) { s.queue.pop_back(); }; },
       0,
       "Printer:   Receipt, by --printer \"RECEIPT\": an installed printer bears that name\n"
       "Data type: RAW\n"
       "Command:   1b 07 19 7f 1a   ESC BEL (Star): drive pulse on 25, off 127, external device "
       "2\n" +
           sent_answer +
           "Job:       15\n"
           "Queue:     the kick left the queue within 0 ms\n",
       {0x1B, 0x07, 0x19, 0x7F, 0x1A},
       {12, 13, 14},
       Concat(SentKick(), Watched(1, {"GetLastError"}))},
      {{"open", "--model-hint", "thermal", "--on", "300", "--wait-ms", "2000"},
       [](FakePrintSpooler& s) { s.refused_data_types[kRawDataType] = kInvalidDataTypeError; },
       1,
       "Printer:   Receipt, the default printer: no installed printer's name holds --model-hint "
       "\"thermal\"\n"
       "Data type: XPS_PASS, after RAW was refused (error 1804)\n"
       "Command:   1b 70 00 ff fa   ESC p: pulse on connector pin 2 (drawer as number), on 255, "
       "off 250\n" +
           sent_answer +
           "Job:       15\n"
           "Queue:     still queued after 2 s, so it was withdrawn: it cannot open the drawer "
           "later\n",
       {0x1B, 0x70, 0x00, 0xFF, 0xFA},
       {12, 13, 14},
       // Looks at 0, 100, 200, 400, 800, 1600 and 2000 ms, and once after the withdrawal.
       Concat(SentKick("RAW", "XPS_PASS"),
              Watched(7, {"SetJobW(15)", "GetJobW(15)", "GetLastError"}))},
      {{"open", "--wait-ms", "2000"},
       [](FakePrintSpooler& s) {
         s.job_lives[15] = {{0, kJobStatusPrinting}};
       },
       0,
       default_kick +
           "Queue:     still printing after 7 s, so it was withdrawn while printing: it may have "
           "reached the printer\n",
       {0x1B, 0x70, 0x00, 0x19, 0xFA},
       {12, 13, 14, 15},
       // Looks at 0, 100, 200, 400, 800, 1600 and 2000 ms, every 500 ms up to
       // 7000, then after the withdrawal at once and every 500 ms up to 12000.
       Concat(SentKick(), Watched(17, Concat({"SetJobW(15)"}, Calls(11, "GetJobW(15)"))))},
      {{"open", "--wait-ms", "1"},
       [](FakePrintSpooler& s) { s.FailAt(Step::kDeleteJob, 5); },
       1,
       "Printer:   Receipt, the default printer: no --printer or --model-hint given\n"
       "Data type: RAW\n"
       "Command:   1b 70 00 19 fa   ESC p: pulse on connector pin 2 (drawer as number), on 25, "
       "off 250\n" +
           sent_answer +
           "Job:       15\n"
           "Queue:     still queued after 1 ms, and SetJobW failed, error 5: it may open the "
           "drawer later\n",
       {0x1B, 0x70, 0x00, 0x19, 0xFA},
       {12, 13, 14, 15},
       Concat(SentKick(), Watched(2, {"SetJobW(15)", "GetLastError"}))},
      // As "expireAfterMs" 0 for the app: no look at the queue at all.
      {{"open", "--wait-ms", "0"},
       [](FakePrintSpooler& s) { s.FailAt(Step::kDeleteJob, 5); },
       0,
       "Printer:   Receipt, the default printer: no --printer or --model-hint given\n"
       "Data type: RAW\n"
       "Command:   1b 70 00 19 fa   ESC p: pulse on connector pin 2 (drawer as number), on 25, "
       "off 250\n" +
           sent_answer +
           "Job:       15\n"
           "Queue:     not watched (--wait-ms 0): a kick the printer does not take stays queued "
           "and may open the drawer later\n",
       {0x1B, 0x70, 0x00, 0x19, 0xFA},
       {12, 13, 14, 15},
       SentKick()},
      // One JSON document and nothing else, in ASCII whatever the names.
      {{"open", "--wait-ms", "0", "--json"},
       [](FakePrintSpooler& s) {
         s.printers[1].name = s.default_printer = u"K\u00fcche \U0001F9FE";
       },
       0,
       "{\"answer\":{\"message\":\"The cash drawer command was sent to the printer.\","
       "\"printerName\":\"K\\u00fcche \\ud83e\\uddfe\",\"success\":true},"
       "\"command\":\"1b700019fa\",\"commandWords\":\"ESC p: pulse on connector pin 2 (drawer "
       "as number), on 25, off 250\",\"dataTypes\":[\"RAW\"],\"jobId\":15,"
       "\"kick\":{\"ageMs\":null,\"errorCode\":null,\"fate\":\"notWatched\"},"
       "\"printer\":{\"name\":\"K\\u00fcche \\ud83e\\uddfe\",\"rule\":\"defaultPrinter\"}}\n",
       {0x1B, 0x70, 0x00, 0x19, 0xFA},
       {12, 13, 14, 15},
       SentKick()},
      {{"open", "--printer", "Kitchen"},
       nothing,
       1,
       "Printer:   Kitchen, by --printer \"Kitchen\" as given: no installed printer bears that "
       "name\n"
       "Data type: none tried\n"
       "Command:   1b 70 00 19 fa   ESC p: pulse on connector pin 2 (drawer as number), on 25, "
       "off 250\n"
       "Answer:    {\"errorCode\":1801,\"message\":\"Windows could not open the selected "
       "printer.\",\"success\":false}\n"
       "Job:       none\n",
       {},
       {12, 13, 14},
       {"OpenPrinterW", "GetLastError"}},
      {{"open"},
       [](FakePrintSpooler& s) { s.default_printer.clear(); },
       1,
       "Printer:   none: no --printer or --model-hint given, and there is no default printer\n"
       "Data type: none tried\n"
       "Command:   1b 70 00 19 fa   ESC p: pulse on connector pin 2 (drawer as number), on 25, "
       "off 250\n"
       "Answer:    {\"message\":\"No installed or default Windows printer was "
       "found.\",\"success\":false}\n"
       "Job:       none\n",
       {},
       {12, 13, 14},
       {}},
  };
  for (const OpenCase& c : cases) {
    SCOPED_TRACE(c.out);
    FakePrintSpooler spooler = Till();
    c.arrange(spooler);
    const ToolRun run = RunTool(spooler, c.args);
    EXPECT_EQ(run.exit_code, c.exit_code);
    EXPECT_EQ(run.out, c.out);
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(spooler.written_bytes(), c.written);
    EXPECT_EQ(QueuedIds(spooler), c.queue_after);
    EXPECT_EQ(spooler.JobCalls(), c.job_calls);
  }
}

// Ctrl+C during the watch cuts it short: the kick, still queued, is
// withdrawn at once, and the report follows.
TEST(DrawerTool, OpenCutShortWithdrawsTheKickAtOnce) {
  FakePrintSpooler spooler = Till();
  const std::atomic<bool> cut_short{true};
  const ToolRun run = RunTool(spooler, {"open", "--printer", "Receipt"}, nullptr, &cut_short);
  EXPECT_EQ(run.exit_code, 1);
  EXPECT_EQ(run.out,
            "Printer:   Receipt, by --printer \"Receipt\": an installed printer bears that name\n"
            "Data type: RAW\n"
            "Command:   1b 70 00 19 fa   ESC p: pulse on connector pin 2 (drawer as number), on "
            "25, off 250\n"
            "Answer:    {\"message\":\"The cash drawer command was sent to the "
            "printer.\",\"printerName\":\"Receipt\",\"success\":true}\n"
            "Job:       15\n"
            "Queue:     still queued after 0 ms, so it was withdrawn: it cannot open the drawer "
            "later\n");
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(spooler.JobCalls(),
            Concat(SentKick(), Watched(1, {"SetJobW(15)", "GetJobW(15)", "GetLastError"})));
  EXPECT_EQ(QueuedIds(spooler), (std::vector<uint32_t>{12, 13, 14}));
}

TEST(DrawerTool, JobsMarksTheKicksWithTheirAgeAndStatus) {
  FakePrintSpooler spooler = Till();
  const ToolRun run = RunTool(spooler, {"jobs", "--printer", "Receipt"});
  EXPECT_EQ(run.exit_code, 0);
  EXPECT_EQ(run.out,
            "Receipt: 3 jobs\n"
            "  job 12: drawer kick, 90 s old, spooling\n"
            "  job 13: \"Invoice 4711\", 3 s old, paused (port: \"Paper jam\")\n"
            "  job 14: drawer kick, age unknown, queued\n");
  EXPECT_EQ(spooler.JobCalls(),
            (std::vector<std::string>{"OpenPrinterW", "EnumJobsW", "ClosePrinter"}));
}

TEST(DrawerTool, JobsReportsEachFailingCallWithItsCode) {
  FakePrintSpooler spooler = Till();
  spooler.FailAt(Step::kReadJobs, 1804);
  ToolRun run = RunTool(spooler, {"jobs"});
  EXPECT_EQ(run.exit_code, 1);
  EXPECT_EQ(run.out,
            "Office: EnumJobsW failed, error 1804\n"
            "Receipt: EnumJobsW failed, error 1804\n");

  run = RunTool(spooler, {"jobs", "--printer", "Kitchen", "--json"});
  EXPECT_EQ(run.exit_code, 1);
  EXPECT_EQ(run.out,
            "{\"printers\":[{\"call\":\"OpenPrinterW\",\"errorCode\":1801,\"name\":\"Kitchen\"}]}"
            "\n");
}

struct ClearCase {
  const char* label;
  std::function<void(FakePrintSpooler&)> arrange;
  int exit_code;
  std::string out;
  std::vector<std::string> job_calls;
  std::vector<uint32_t> queue_after;
  const char* printer = "Receipt";
};

TEST(DrawerTool, ClearWithdrawsTheKicksAndNothingElse) {
  const ClearCase cases[] = {
      {"two kicks around an invoice",
       [](FakePrintSpooler&) {},
       0,
       "Receipt: withdrew 2 drawer kicks (job 12, 14); 1 other job left alone\n"
       "Withdrew 2 drawer kicks.\n",
       {"OpenPrinterW", "EnumJobsW", "SetJobW(12)", "SetJobW(14)", "ClosePrinter"},
       {13}},
      {"kicks already printed are left alone",
       [](FakePrintSpooler& s) {
         s.queue.push_back(MakeJob(15, kDrawerDocumentName, kJobStatusPrinted, 0));
         s.queue.push_back(MakeJob(16, kDrawerDocumentName, kJobStatusComplete, 0));
         s.queue.push_back(MakeJob(17, kDrawerDocumentName, kJobStatusRetained, 0));
       },
       0,
       "Receipt: withdrew 2 drawer kicks (job 12, 14); 1 other job and 3 drawer kicks already "
       "printed (job 15, 16, 17) left alone\n"
       "Withdrew 2 drawer kicks.\n",
       {"OpenPrinterW", "EnumJobsW", "SetJobW(12)", "SetJobW(14)", "ClosePrinter"},
       {13, 15, 16, 17}},
      {"a failing withdrawal",
       [](FakePrintSpooler& s) { s.FailAt(Step::kDeleteJob, 5); },
       1,
       "Receipt: withdrew no drawer kick; 1 other job left alone\n"
       "  job 12: SetJobW failed, error 5\n"
       "  job 14: SetJobW failed, error 5\n"
       "Withdrew 0 drawer kicks.\n",
       {"OpenPrinterW", "EnumJobsW", "SetJobW(12)", "GetLastError", "SetJobW(14)", "GetLastError",
        "ClosePrinter"},
       {12, 13, 14}},
      {"a failing listing",
       [](FakePrintSpooler& s) { s.FailAt(Step::kReadJobs, 1804); },
       1,
       "Receipt: EnumJobsW failed, error 1804\n"
       "Withdrew 0 drawer kicks.\n",
       {"OpenPrinterW", "EnumJobsW", "GetLastError", "ClosePrinter"},
       {12, 13, 14}},
      {"a shared printer's queue read from its server, not from the stale cache",
       [](FakePrintSpooler& s) {
         s.printers[1].name = u"\\\\srv\\Receipt";
         s.server_cache = std::vector<JobRecord>{};
       },
       0,
       "\\\\srv\\Receipt: withdrew 2 drawer kicks (job 12, 14); 1 other job left alone\n"
       "Withdrew 2 drawer kicks.\n",
       {"OpenPrinter2W(NO_CACHE)", "EnumJobsW", "SetJobW(12)", "SetJobW(14)", "ClosePrinter"},
       {13},
       "\\\\srv\\Receipt"},
  };
  for (const ClearCase& c : cases) {
    SCOPED_TRACE(c.label);
    FakePrintSpooler spooler = Till();
    c.arrange(spooler);
    const ToolRun run = RunTool(spooler, {"clear", "--printer", c.printer});
    EXPECT_EQ(run.exit_code, c.exit_code);
    EXPECT_EQ(run.out, c.out);
    EXPECT_EQ(spooler.JobCalls(), c.job_calls);
    EXPECT_EQ(QueuedIds(spooler), c.queue_after);
  }
}

struct StateCase {
  std::vector<std::string> args;
  bool with_backend;
  int exit_code;
  std::string out;
};

// `state` on a till whose printers have each a different channel (see
// DrawerStateTill).
TEST(DrawerTool, StateReadsTheDrawerAsTheAppDoesAndSaysWhereFrom) {
  const std::string note =
      "Note:      \"closed\" cannot prove that a drawer is connected; open it by hand and read "
      "again to be sure.\n";
  const std::string receipt =
      "Printer:   Receipt, the default printer: no --printer or "
      "--model-hint given\n";
  const StateCase cases[] = {
      {{"state"},
       true,
       0,
       receipt +
           "Channel:   COM2 (the printer's spooler port), by the machine setting "
           "HKLM\\Software\\kestro\\DrawerStateVia\n"
           "Open:      low means open, by default\n"
           "State:     closed: the level is high (online)\n" +
           note},
      {{"state", "--printer", "Office"},
       true,
       1,
       "Printer:   Office, by --printer \"Office\": an installed printer bears that name\n"
       "Channel:   none set\n"
       "Open:      low means open, by default\n"
       "State:     unknown: no direct channel is set for this printer\n"
       "Port:      the printer's spooler port would give tcp:10.0.0.7:9100 (set it with --via, "
       "or for the app with the DrawerStateVia setting)\n"},
      {{"state", "--printer", "kitchen", "--wait", "closed", "--timeout-ms", "500", "--open-level",
        "high"},
       true,
       0,
       "Printer:   Kitchen, by --printer \"kitchen\": an installed printer bears that name\n"
       "Channel:   USB002, by the policy setting HKLM\\Software\\Policies\\kestro\\DrawerStateVia\n"
       "Open:      high means open, by --open-level\n"
       "State:     closed: the level is low (online)\n"
       "Wait:      for closed: reached after 20 ms\n" +
           note},
      {{"state", "--wait", "open", "--timeout-ms", "400"},
       true,
       1,
       receipt +
           "Channel:   COM2 (the printer's spooler port), by the machine setting "
           "HKLM\\Software\\kestro\\DrawerStateVia\n"
           "Open:      low means open, by default\n"
           "State:     closed: the level is high (online)\n"
           "Wait:      for open: not reached within 400 ms\n" +
           note},
      {{"state", "--via", "COM5", "--timeout-ms", "300"},
       true,
       1,
       receipt + "Channel:   COM5, by --via\n"
                 "Open:      low means open, by default\n"
                 "State:     unknown: no answer\n"},
      {{"state"},
       false,
       1,
       receipt + "Channel:   none set\n"
                 "Open:      low means open, by default\n"
                 "State:     unknown: the drawer state is not read by this program\n"},
      {{"state", "--json"},
       true,
       0,
       "{\"channel\":{\"setting\":\"port\",\"source\":\"machine\",\"via\":\"COM2\"},"
       "\"coverOpen\":null,\"level\":\"high\",\"offline\":false,\"openLevel\":{\"level\":"
       "\"low\",\"source\":\"default\"},\"portChannel\":null,\"portReason\":null,\"printer\":"
       "{\"name\":\"Receipt\",\"rule\":\"defaultPrinter\"},\"reason\":null,\"state\":\"closed\","
       "\"wait\":null}\n"},
      {{"state", "--printer", "Office", "--wait", "open", "--timeout-ms", "0", "--json"},
       true,
       1,
       "{\"channel\":{\"setting\":\"none\",\"source\":\"default\",\"via\":\"none\"},"
       "\"coverOpen\":null,\"level\":null,\"offline\":null,\"openLevel\":{\"level\":"
       "\"low\",\"source\":\"default\"},\"portChannel\":\"tcp:10.0.0.7:9100\",\"portReason\":"
       "null,\"printer\":{\"name\":\"Office\",\"rule\":\"installedName\"},\"reason\":\"no "
       "direct channel is set for this printer\",\"state\":\"unknown\",\"wait\":{\"for\":"
       "\"open\",\"reached\":false,\"waitedMs\":0}}\n"},
  };
  for (const StateCase& c : cases) {
    SCOPED_TRACE(c.out);
    DrawerStateTill till;
    const DrawerStateBackend backend = till.backend();
    const ToolRun run = RunTool(*till.spooler, c.args, c.with_backend ? &backend : nullptr);
    EXPECT_EQ(run.exit_code, c.exit_code);
    EXPECT_EQ(run.out, c.out);
    EXPECT_EQ(run.err, "");
    // Reading the state never prints.
    EXPECT_TRUE(till.spooler->JobCalls().empty());
  }
}

TEST(DrawerTool, OpenConfirmsTheDrawerOpenedWhenAsked) {
  const std::string kick =
      "Data type: RAW\n"
      "Command:   1b 70 00 19 fa   ESC p: pulse on connector pin 2 (drawer "
      "as number), on 25, off 250\n";
  const auto answer = [](const char* printer) {
    return std::string(
               "Answer:    {\"message\":\"The cash drawer command was sent to the "
               "printer.\",\"printerName\":\"") +
           printer + "\",\"success\":true}\nJob:       1\n";
  };
  const std::string left = "Queue:     the kick left the queue within 0 ms\n";
  const StateCase cases[] = {
      {{"open", "--printer", "Kitchen", "--confirm-ms", "1000"},
       true,
       0,
       "Printer:   Kitchen, by --printer \"Kitchen\": an installed printer bears that name\n" +
           kick + answer("Kitchen") + "Drawer:    read open after 20 ms (via USB002)\n" + left},
      {{"open", "--confirm-ms", "300"},
       true,
       1,
       "Printer:   Receipt, the default printer: no --printer or --model-hint given\n" + kick +
           answer("Receipt") +
           "Drawer:    did not read open within 300 ms; it read closed: the level is high "
           "(online) (via COM2)\n" +
           left},
      {{"open", "--printer", "Office", "--confirm-ms", "300"},
       true,
       1,
       "Printer:   Office, by --printer \"Office\": an installed printer bears that name\n" + kick +
           answer("Office") +
           "Drawer:    not confirmed, the state cannot be read: no direct channel is set for "
           "this printer\n" +
           left},
      {{"open", "--printer", "Kitchen", "--confirm-ms", "1000"},
       false,
       1,
       "Printer:   Kitchen, by --printer \"Kitchen\": an installed printer bears that name\n" +
           kick + answer("Kitchen") +
           "Drawer:    not confirmed, the state cannot be read: the drawer state is not read by "
           "this program\n" +
           left},
      {{"open", "--printer", "Kitchen", "--confirm-ms", "0"},
       true,
       0,
       "Printer:   Kitchen, by --printer \"Kitchen\": an installed printer bears that name\n" +
           kick + answer("Kitchen") + left},
  };
  for (const StateCase& c : cases) {
    SCOPED_TRACE(c.out);
    DrawerStateTill till;
    FakePrintSpooler& spooler = *till.spooler;
    spooler.before_read_job = [&spooler](uint32_t) { spooler.queue.clear(); };
    const DrawerStateBackend backend = till.backend();
    const ToolRun run = RunTool(spooler, c.args, c.with_backend ? &backend : nullptr);
    EXPECT_EQ(run.exit_code, c.exit_code);
    EXPECT_EQ(run.out, c.out);
    EXPECT_EQ(spooler.written_bytes(), (std::vector<uint8_t>{0x1B, 0x70, 0x00, 0x19, 0xFA}));
  }

  DrawerStateTill till;
  till.spooler->before_read_job = [&till](uint32_t) { till.spooler->queue.clear(); };
  const DrawerStateBackend backend = till.backend();
  const ToolRun json = RunTool(
      *till.spooler, {"open", "--printer", "Kitchen", "--confirm-ms", "1000", "--json"}, &backend);
  EXPECT_EQ(json.exit_code, 0);
  const nlohmann::json expected = {{"drawerOpened", true},
                                   {"reason", nullptr},
                                   {"state", "open"},
                                   {"via", "USB002"},
                                   {"waitedMs", 20}};
  EXPECT_EQ(nlohmann::json::parse(json.out).at("confirmation"), expected) << json.out;
}

TEST(DrawerTool, AMalformedCommandLineGetsTheUsageAndCallsNoSpooler) {
  FakePrintSpooler spooler = Till();
  const ToolRun run = RunTool(spooler, {"open", "--pin"});
  EXPECT_EQ(run.exit_code, 2);
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(run.err, std::string("kestro-drawer: --pin needs a value\n") + kDrawerToolUsage);
  EXPECT_TRUE(spooler.calls().empty());

  const ToolRun help = RunTool(spooler, {"--help"});
  EXPECT_EQ(help.exit_code, 0);
  EXPECT_EQ(help.out, kDrawerToolUsage);
}

}  // namespace
}  // namespace kestro
