// kestro-drawer's commands against the fake spooler, the machine's settings
// and the record in memory, each checked by all it prints, its exit code, the
// spooler calls it makes and the events it puts on the audit trail.

#include "tools/kestro_drawer/drawer_tool.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "audit/record_line.h"
#include "audit/testing/memory_record_folder.h"
#include "audit/testing/recording_audit.h"
#include "cash_drawer/cash_drawer_handler.h"
#include "cash_drawer/cash_drawer_job.h"
#include "cash_drawer/testing/drawer_state_till.h"
#include "cash_drawer/testing/fake_print_spooler.h"
#include "cash_drawer/testing/fake_settings_store.h"
#include "cash_drawer/testing/manual_kick_clock.h"
#include "codec/testing/stderr_capture.h"
#include "tools/kestro_drawer/drawer_tool_arguments.h"

namespace kestro {
namespace {

using kestro_testing::DrawerStateTill;
using kestro_testing::Event;
using kestro_testing::FakePrintSpooler;
using kestro_testing::FakeSettingsStore;
using kestro_testing::MakeJob;
using kestro_testing::ManualKickClock;
using kestro_testing::MemoryRecordFolder;
using kestro_testing::RecordingAudit;
using Kind = AuditEventKind;
using Step = FakePrintSpooler::Step;

constexpr int64_t kNow = 1700000000000;  // 2023-11-14T22:13:20Z

struct ToolRun {
  int exit_code;
  std::string out;
  std::string err;
  std::vector<AuditEvent> events;
};

// What the tool finds at the till besides the spooler.
struct TillState {
  FakeSettingsStore settings;
  MemoryRecordFolder record;
};

// Runs the tool on a clock that moves to each deadline at once, at the till
// `till` (an empty one when null), reading the drawer's state with
// `drawer_state` (none when null); `cut_short` stands for Ctrl+C.
ToolRun RunTool(FakePrintSpooler& spooler, const std::vector<std::string>& args,
                TillState* till = nullptr, const DrawerStateBackend* drawer_state = nullptr,
                const std::atomic<bool>* cut_short = nullptr) {
  TillState empty;
  TillState& state = till == nullptr ? empty : *till;
  ManualKickClock clock;
  clock.SkipWaits();
  RecordingAudit audit;
  DrawerSettingsReader settings(state.settings);
  std::ostringstream out;
  std::ostringstream err;
  const int exit_code = RunDrawerTool(
      args, {spooler, kNow, clock, audit.trail, settings, state.record, drawer_state, cut_short},
      out, err);
  return {exit_code, out.str(), err.str(), audit.Events()};
}

AuditEvent Sent(const char* dialect, int64_t pin) {
  return Event(Kind::kKickSent, {std::string("Receipt"), int64_t{15}, std::string(dialect), pin,
                                 std::string("tool")});
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
  std::vector<AuditEvent> events;
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
           "Queue:     the kick left the queue within 100 ms\n",
       {0x1B, 0x07, 0x19, 0x7F, 0x1A},
       {12, 13, 14},
       Concat(SentKick(), Watched(1, {"GetLastError"})),
       {Sent("starPrnt", 1)}},
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
       // Looks at 100, 200, 400, 800, 1600 and 2000 ms, and once after the withdrawal.
       Concat(SentKick("RAW", "XPS_PASS"),
              Watched(6, {"SetJobW(15)", "GetJobW(15)", "GetLastError"})),
       {Sent("escPos", 0), Event(Kind::kKickWithdrawn, {std::string("Receipt"), int64_t{15},
                                                        int64_t{2000}, std::string("tool")})}},
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
       // Looks at 100, 200, 400, 800, 1600 and 2000 ms, every 500 ms up to
       // 7000, then after the withdrawal at once and every 500 ms up to 12000.
       Concat(SentKick(), Watched(16, Concat({"SetJobW(15)"}, Calls(11, "GetJobW(15)")))),
       {Sent("escPos", 0),
        Event(Kind::kKickWithdrawnWhilePrinting,
              {std::string("Receipt"), int64_t{15}, int64_t{7000}, std::string("tool")})}},
      {{"open", "--wait-ms", "1"},
       [](FakePrintSpooler& s) { s.FailAt(Step::kDeleteJob, 5); },
       1,
       default_kick +
           "Queue:     still queued after 1 ms, and SetJobW failed, error 5: it may open the "
           "drawer later\n",
       {0x1B, 0x70, 0x00, 0x19, 0xFA},
       {12, 13, 14, 15},
       // One look, at 1 ms: the first step is cut to the limit.
       Concat(SentKick(), Watched(1, {"SetJobW(15)", "GetLastError"})),
       {Sent("escPos", 0), Event(Kind::kWithdrawalFailed, {std::string("Receipt"), int64_t{15},
                                                           int64_t{5}, std::string("tool")})}},
      // As "expireAfterMs" 0 for the app: no look at the queue at all.
      {{"open", "--wait-ms", "0"},
       [](FakePrintSpooler& s) { s.FailAt(Step::kDeleteJob, 5); },
       0,
       default_kick +
           "Queue:     not watched (--wait-ms 0): a kick the printer does not take stays queued "
           "and may open the drawer later\n",
       {0x1B, 0x70, 0x00, 0x19, 0xFA},
       {12, 13, 14, 15},
       SentKick(),
       {Sent("escPos", 0)}},
      // One JSON document and nothing else, in ASCII whatever the names.
      {{"open", "--wait-ms", "0", "--json"},
       [](FakePrintSpooler&
              s) { s.printers[1].name = s.default_printer = u"K\u00fcche \U0001F9FE"; },
       0,
       "{\"answer\":{\"message\":\"The cash drawer command was sent to the printer.\","
       "\"printerName\":\"K\\u00fcche \\ud83e\\uddfe\",\"success\":true},"
       "\"command\":\"1b700019fa\",\"commandWords\":\"ESC p: pulse on connector pin 2 (drawer "
       "as number), on 25, off 250\",\"dataTypes\":[\"RAW\"],\"jobId\":15,"
       "\"kick\":{\"ageMs\":null,\"errorCode\":null,\"fate\":\"notWatched\"},"
       "\"printer\":{\"name\":\"K\\u00fcche \\ud83e\\uddfe\",\"rule\":\"defaultPrinter\"}}\n",
       {0x1B, 0x70, 0x00, 0x19, 0xFA},
       {12, 13, 14, 15},
       SentKick(),
       {Event(Kind::kKickSent,
              {std::string("K\xC3\xBC"
                           "che \xF0\x9F\xA7\xBE"),
               int64_t{15}, std::string("escPos"), int64_t{0}, std::string("tool")})}},
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
       {"OpenPrinterW", "GetLastError"},
       {Event(Kind::kKickNotSent, {std::string("Kitchen"), std::string(kOpenFailedMessage),
                                   int64_t{1801}, std::string("tool")})}},
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
       {},
       {Event(Kind::kKickNotSent, {std::string(), std::string(kNoPrinterMessage), std::monostate(),
                                   std::string("tool")})}},
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
    EXPECT_EQ(run.events, c.events);
  }
}

// Ctrl+C during the watch cuts it short: the kick, still queued, is
// withdrawn at once, and the report follows.
TEST(DrawerTool, OpenCutShortWithdrawsTheKickAtOnce) {
  FakePrintSpooler spooler = Till();
  const std::atomic<bool> cut_short{true};
  const ToolRun run =
      RunTool(spooler, {"open", "--printer", "Receipt"}, nullptr, nullptr, &cut_short);
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
  std::vector<AuditEvent> events;
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
       {13},
       // Job 14's submission time is not known.
       {Event(Kind::kKickWithdrawn,
              {std::string("Receipt"), int64_t{12}, int64_t{90000}, std::string("tool")}),
        Event(Kind::kKickWithdrawn,
              {std::string("Receipt"), int64_t{14}, std::monostate(), std::string("tool")})}},
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
       {13, 15, 16, 17},
       {Event(Kind::kKickWithdrawn,
              {std::string("Receipt"), int64_t{12}, int64_t{90000}, std::string("tool")}),
        Event(Kind::kKickWithdrawn,
              {std::string("Receipt"), int64_t{14}, std::monostate(), std::string("tool")})}},
      {"a failing withdrawal",
       [](FakePrintSpooler& s) { s.FailAt(Step::kDeleteJob, 5); },
       1,
       "Receipt: withdrew no drawer kick; 1 other job left alone\n"
       "  job 12: SetJobW failed, error 5\n"
       "  job 14: SetJobW failed, error 5\n"
       "Withdrew 0 drawer kicks.\n",
       {"OpenPrinterW", "EnumJobsW", "SetJobW(12)", "GetLastError", "SetJobW(14)", "GetLastError",
        "ClosePrinter"},
       {12, 13, 14},
       {Event(Kind::kWithdrawalFailed,
              {std::string("Receipt"), int64_t{12}, int64_t{5}, std::string("tool")}),
        Event(Kind::kWithdrawalFailed,
              {std::string("Receipt"), int64_t{14}, int64_t{5}, std::string("tool")})}},
      {"a failing listing",
       [](FakePrintSpooler& s) { s.FailAt(Step::kReadJobs, 1804); },
       1,
       "Receipt: EnumJobsW failed, error 1804\n"
       "Withdrew 0 drawer kicks.\n",
       {"OpenPrinterW", "EnumJobsW", "GetLastError", "ClosePrinter"},
       {12, 13, 14},
       {}},
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
       {Event(Kind::kKickWithdrawn,
              {std::string("\\\\srv\\Receipt"), int64_t{12}, int64_t{90000}, std::string("tool")}),
        Event(Kind::kKickWithdrawn, {std::string("\\\\srv\\Receipt"), int64_t{14}, std::monostate(),
                                     std::string("tool")})},
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
    EXPECT_EQ(run.events, c.events);
  }
}

// A record of four events over an hour and a half, then a line cut short.
void Record(TillState* till) {
  const auto line = [](int64_t ago_ms, const AuditEvent& event) {
    return RecordLine(event, kNow - ago_ms);
  };
  till->record.files[kRecordFileNames[1]] =
      line(5400000, Event(Kind::kProgramStarted, {std::string("1.0.0")})) +
      line(3600001,
           Event(Kind::kKickSent, {std::string("Receipt"), int64_t{3}, std::string("escPos"),
                                   int64_t{0}, std::string("app")}));
  till->record.files[kRecordFileNames[0]] =
      line(60000, Event(Kind::kKickNotSent,
                        {std::string("K\xc3\xbc"
                                     "che"),
                         std::string("No \"printer\"."), std::monostate(), std::string("tool")})) +
      line(1000, Event(Kind::kDrawerReadOpen, {std::string("receipt")})) + "{\"time\":\"20";
}

TEST(DrawerTool, LogShowsTheRecordOldestFirstFilteredByTimeAndPrinter) {
  const std::string started = "2023-11-14T20:43:20.000Z programStarted version=\"1.0.0\"\n";
  const std::string sent =
      "2023-11-14T21:13:19.999Z kickSent printer=\"Receipt\" jobId=3 dialect=\"escPos\" pin=0 "
      "requester=\"app\"\n";
  const std::string not_sent =
      "2023-11-14T22:12:20.000Z kickNotSent printer=\"K\xc3\xbc"
      "che\" message=\"No "
      "\\\"printer\\\".\" errorCode=null requester=\"tool\"\n";
  const std::string read_open = "2023-11-14T22:13:19.000Z drawerReadOpen printer=\"receipt\"\n";
  const std::string skipped = "Skipped 1 line cut short or not events.\n";
  struct Case {
    std::vector<std::string> args;
    std::string out;
  };
  const Case cases[] = {
      {{"log"}, started + sent + not_sent + read_open + skipped},
      {{"log", "--printer", "RECEIPT"}, sent + read_open + skipped},
      {{"log", "--since", "1h"}, not_sent + read_open + skipped},
      {{"log", "--since", "2023-11-14T21:13:20"}, not_sent + read_open + skipped},
      {{"log", "--since", "2023-11-14T21:13:19.999Z"}, sent + not_sent + read_open + skipped},
      {{"log", "--since", "2023-11-15", "--printer", "Receipt"},
       "No cash drawer events on record.\n" + skipped},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args.back());
    TillState till;
    Record(&till);
    FakePrintSpooler spooler = Till();
    const ToolRun run = RunTool(spooler, c.args, &till);
    EXPECT_EQ(run.exit_code, 0);
    EXPECT_EQ(run.out, c.out);
    EXPECT_TRUE(spooler.calls().empty());
  }
  // No record to read is a failure.
  TillState till;
  till.record.exists = false;
  FakePrintSpooler spooler = Till();
  const ToolRun run = RunTool(spooler, {"log"}, &till);
  EXPECT_EQ(std::make_pair(run.exit_code, run.out),
            std::make_pair(1, std::string("No cash drawer record could be read in memory: no "
                                          "such folder\n")));
}

// `config` on the till of DrawerStateTill, with a label printer on a port
// that gives no channel: the numbers, then each printer's channel and open
// level, a channel of "port" as the printer's port gives it.
TEST(DrawerTool, ConfigShowsEachSettingWithWhereItCameFrom) {
  constexpr SettingScope kPolicy = SettingScope::kPolicy;
  constexpr SettingScope kMachine = SettingScope::kMachine;
  TillState till;
  FakeSettingsStore& settings = till.settings;
  settings.SetNumber(kPolicy, u"ExpireAfterMs", 5000u);
  settings.SetNumber(kMachine, u"ExpireAfterMs", 9000u);
  settings.SetNumber(kMachine, u"OpenWarningSeconds", 120u);
  settings.SetNumber(kPolicy, u"DrawerLog", u"0");
  settings.SetNumber(kMachine, u"DrawerLogSizeKB", 8u);
  settings.Set(kPolicy, kDrawerOpenLevelList, u"Office", u"high");
  settings.Set(kMachine, kDrawerStateViaList, u"Receipt", u"port");
  settings.Set(kMachine, kDrawerOpenLevelList, u"Receipt", u"low");
  settings.Set(kPolicy, kDrawerStateViaList, u"Kitchen", u"usb:USB002");
  settings.Set(kMachine, kDrawerStateViaList, u"Kitchen", u"COM9");
  settings.SetWrongType(kMachine, kDrawerOpenLevelList, u"Kitchen");
  settings.Set(kPolicy, kDrawerStateViaList, u"Label", u"port");
  DrawerStateTill drawers;
  drawers.spooler->printers.push_back({u"Label", u"ZDesigner", u"LPT1:"});
  const DrawerStateBackend backend = drawers.backend();

  kestro_testing::StderrCapture capture;
  const ToolRun run = RunTool(*drawers.spooler, {"config"}, &till, &backend);
  EXPECT_EQ(capture.TakeLines(),
            (std::vector<std::string>{
                "Warning: ignored the setting HKLM\\Software\\Policies\\kestro\\DrawerLog: it is "
                "not a REG_DWORD value",
                "Warning: ignored the setting HKLM\\Software\\kestro\\DrawerLogSizeKB: 8 is "
                "outside its range, 16 to 65536",
                "Warning: ignoring the setting HKLM\\Software\\kestro\\DrawerOpenLevel value "
                "\"Kitchen\": it is not a string value"}));
  EXPECT_EQ(run.exit_code, 0);
  EXPECT_EQ(
      run.out,
      "ExpireAfterMs       5000    policy\n"
      "OpenWarningSeconds  120     machine setting\n"
      "DrawerLog           1       default\n"
      "DrawerLogSizeKB     1024    default\n"
      "Printer \"Office\":\n"
      "  DrawerStateVia    none    default\n"
      "  DrawerOpenLevel   high    policy\n"
      "Printer \"Receipt\":\n"
      "  DrawerStateVia    COM2    printer port, as the machine setting says\n"
      "  DrawerOpenLevel   low     machine setting\n"
      "Printer \"Kitchen\":\n"
      "  DrawerStateVia    usb:USB002 policy\n"
      "  DrawerOpenLevel   low     default\n"
      "Printer \"Label\":\n"
      "  DrawerStateVia    none    printer port, as the policy says: the port \"LPT1:\" is not a "
      "serial (COMn:), USB (USBnnn) or Standard TCP/IP port: OpenPrinterW(XcvPort) failed, error "
      "1796\n"
      "  DrawerOpenLevel   low     default\n"
      "Policies: HKLM\\Software\\Policies\\kestro; machine settings: HKLM\\Software\\kestro.\n");
  // Reading the settings never prints.
  EXPECT_TRUE(drawers.spooler->JobCalls().empty());

  // Without the direct channels' backend, a printer's port is not read.
  kestro_testing::StderrCapture json_capture;
  const ToolRun json = RunTool(*drawers.spooler, {"config", "--json"}, &till);
  json_capture.TakeLines();
  const nlohmann::json receipt = {{"name", "Receipt"},
                                  {"drawerStateVia",
                                   {{"setting", "port"},
                                    {"source", "machine"},
                                    {"portChannel", nullptr},
                                    {"portReason", kNoStateServiceReason}}},
                                  {"drawerOpenLevel", {{"level", "low"}, {"source", "machine"}}}};
  EXPECT_EQ(nlohmann::json::parse(json.out).at("printers").at(1), receipt) << json.out;
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
    const ToolRun run =
        RunTool(*till.spooler, c.args, nullptr, c.with_backend ? &backend : nullptr);
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
  const std::string left = "Queue:     the kick left the queue within 100 ms\n";
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
    const ToolRun run = RunTool(spooler, c.args, nullptr, c.with_backend ? &backend : nullptr);
    EXPECT_EQ(run.exit_code, c.exit_code);
    EXPECT_EQ(run.out, c.out);
    EXPECT_EQ(spooler.written_bytes(), (std::vector<uint8_t>{0x1B, 0x70, 0x00, 0x19, 0xFA}));
  }

  DrawerStateTill till;
  till.spooler->before_read_job = [&till](uint32_t) { till.spooler->queue.clear(); };
  const DrawerStateBackend backend = till.backend();
  const ToolRun json =
      RunTool(*till.spooler, {"open", "--printer", "Kitchen", "--confirm-ms", "1000", "--json"},
              nullptr, &backend);
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
