#include "cash_drawer/cash_drawer_job.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "cash_drawer/testing/fake_print_spooler.h"
#include "codec/testing/value_printer.h"

namespace kestro {
namespace {

using flutter::EncodableValue;
using flutter::ValueMap;
using kestro_testing::FakePrintSpooler;
using kestro_testing::SameValue;
using Step = FakePrintSpooler::Step;

const std::u16string kReceipt = u"Receipt";

FakePrintSpooler SpoolerWithReceiptPrinter() {
  FakePrintSpooler spooler;
  spooler.printers = {{kReceipt, u"Generic / Text Only", u"USB001"}};
  return spooler;
}

ValueMap Failed(const char* message, int32_t error_code, bool with_printer_name) {
  ValueMap map = {{"success", false}, {"message", message}, {"errorCode", error_code}};
  if (with_printer_name) map.emplace("printerName", "Receipt");
  return map;
}

struct JobCase {
  const char* label;
  std::u16string printer_name;
  std::function<void(FakePrintSpooler&)> arrange;
  std::vector<std::string> calls;
  ValueMap result;
  // The jobs left queued (by default one when sent, none otherwise) and the
  // bytes the spooler took (by default not compared).
  std::optional<size_t> queued = std::nullopt;
  std::optional<std::vector<uint8_t>> written = std::nullopt;
};

const std::vector<uint8_t> kCommand = {0x1B, 0x70, 0x00, 0x19, 0xFA};

// The calls of a job whose first write took part of the command, up to the
// GetPrinterW that asks whether the queue spools.
std::vector<std::string> PartlyWritten(std::initializer_list<const char*> then) {
  std::vector<std::string> calls = {
      "OpenPrinterW", "GetPrinterDriverW", "StartDocPrinterW(RAW)", "StartPagePrinter",
      "WritePrinter", "GetLastError",      "GetPrinterW(2)"};
  calls.insert(calls.end(), then.begin(), then.end());
  return calls;
}

// A receipt printer whose queue prints straight to the port.
void MakeDirect(FakePrintSpooler& s) { s.printers[0].attributes = kPrinterAttributeDirect; }

// One row per line of the outcome table, with the spooler calls each makes. A
// send that fails after the document started aborts it, so nothing of the
// command stays queued; on a queue that does not spool, what went to the port
// is completed instead.
std::vector<JobCase> JobCases() {
  const auto nothing = [](FakePrintSpooler&) {};
  return {
      {"empty printer name",
       u"",
       nothing,
       {},
       {{"success", false}, {"message", kNoPrinterMessage}}},
      {"open fails",
       kReceipt,
       [](FakePrintSpooler& s) { s.FailAt(Step::kOpenPrinter, 5); },
       {"OpenPrinterW", "GetLastError"},
       Failed(kOpenFailedMessage, 5, false)},
      {"unknown printer",
       u"Nobody's Printer",
       nothing,
       {"OpenPrinterW", "GetLastError"},
       Failed(kOpenFailedMessage, 1801, false)},
      {"document does not start",
       kReceipt,
       [](FakePrintSpooler& s) { s.FailAt(Step::kStartDocument, 5); },
       {"OpenPrinterW", "GetPrinterDriverW", "StartDocPrinterW(RAW)", "GetLastError",
        "ClosePrinter"},
       Failed(kStartJobFailedMessage, 5, false)},
      {"page does not start",
       kReceipt,
       [](FakePrintSpooler& s) { s.FailAt(Step::kStartPage, 6); },
       {"OpenPrinterW", "GetPrinterDriverW", "StartDocPrinterW(RAW)", "StartPagePrinter",
        "GetLastError", "AbortPrinter", "ClosePrinter"},
       Failed(kSendFailedMessage, 6, true)},
      {"write fails with a code above 0x7FFFFFFF",
       kReceipt,
       [](FakePrintSpooler& s) { s.FailAt(Step::kWrite, 0x800706BA); },
       {"OpenPrinterW", "GetPrinterDriverW", "StartDocPrinterW(RAW)", "StartPagePrinter",
        "WritePrinter", "GetLastError", "AbortPrinter", "ClosePrinter"},
       Failed(kSendFailedMessage, static_cast<int32_t>(0x800706BAu), true)},
      {"short write, no error code set", kReceipt, [](FakePrintSpooler& s) { s.ReportWritten(4); },
       PartlyWritten({"AbortPrinter", "ClosePrinter"}), Failed(kSendFailedMessage, 0, true)},
      {"direct queue, short write: the rest written after it",
       kReceipt,
       [](FakePrintSpooler& s) {
         MakeDirect(s);
         s.write_reports = {2};
       },
       PartlyWritten({"WritePrinter", "EndPagePrinter", "EndDocPrinter", "ClosePrinter"}),
       {{"success", true}, {"message", kSentMessage}, {"printerName", "Receipt"}},
       1u,
       kCommand},
      {"direct queue, the rest written in two parts",
       kReceipt,
       [](FakePrintSpooler& s) {
         MakeDirect(s);
         s.write_reports = {2, 1};
       },
       PartlyWritten(
           {"WritePrinter", "WritePrinter", "EndPagePrinter", "EndDocPrinter", "ClosePrinter"}),
       {{"success", true}, {"message", kSentMessage}, {"printerName", "Receipt"}},
       1u,
       kCommand},
      {"direct queue, the rest refused: ended, not aborted, with the first code", kReceipt,
       [](FakePrintSpooler& s) {
         MakeDirect(s);
         s.SetLastError(997);
         s.write_reports = {2};
         s.FailFrom(Step::kWrite, 2, 1167);
       },
       PartlyWritten({"WritePrinter", "EndPagePrinter", "EndDocPrinter", "ClosePrinter"}),
       Failed(kSendFailedMessage, 997, true), 1u, std::vector<uint8_t>{0x1B, 0x70}},
      {"direct queue, a write that takes nothing more ends the tries", kReceipt,
       [](FakePrintSpooler& s) {
         MakeDirect(s);
         s.write_reports = {3, 0};
       },
       PartlyWritten({"WritePrinter", "EndPagePrinter", "EndDocPrinter", "ClosePrinter"}),
       Failed(kSendFailedMessage, 0, true), 1u, std::vector<uint8_t>{0x1B, 0x70, 0x00}},
      {"direct queue, nothing went out: aborted, which does nothing there",
       kReceipt,
       [](FakePrintSpooler& s) {
         MakeDirect(s);
         s.FailAt(Step::kWrite, 5);
       },
       {"OpenPrinterW", "GetPrinterDriverW", "StartDocPrinterW(RAW)", "StartPagePrinter",
        "WritePrinter", "GetLastError", "AbortPrinter", "ClosePrinter"},
       Failed(kSendFailedMessage, 5, true),
       1u,
       std::vector<uint8_t>{}},
      {"unknown whether the queue spools: the rest tried, aborted when refused", kReceipt,
       [](FakePrintSpooler& s) {
         s.FailAt(Step::kGetPrinter, 5);
         s.write_reports = {2};
         s.FailFrom(Step::kWrite, 2, 1167);
       },
       PartlyWritten({"WritePrinter", "AbortPrinter", "ClosePrinter"}),
       Failed(kSendFailedMessage, 0, true), 0u, std::vector<uint8_t>{0x1B, 0x70}},
      {"short write carries the code standing at that point",
       kReceipt,
       [](FakePrintSpooler& s) {
         s.SetLastError(997);
         s.ReportWritten(0);
       },
       {"OpenPrinterW", "GetPrinterDriverW", "StartDocPrinterW(RAW)", "StartPagePrinter",
        "WritePrinter", "GetLastError", "AbortPrinter", "ClosePrinter"},
       Failed(kSendFailedMessage, 997, true)},
      {"a write reporting more than five bytes is not a success either",
       kReceipt,
       [](FakePrintSpooler& s) { s.ReportWritten(6); },
       {"OpenPrinterW", "GetPrinterDriverW", "StartDocPrinterW(RAW)", "StartPagePrinter",
        "WritePrinter", "GetLastError", "AbortPrinter", "ClosePrinter"},
       Failed(kSendFailedMessage, 0, true)},
      {"all five bytes accepted",
       kReceipt,
       nothing,
       {"OpenPrinterW", "GetPrinterDriverW", "StartDocPrinterW(RAW)", "StartPagePrinter",
        "WritePrinter", "EndPagePrinter", "EndDocPrinter", "ClosePrinter"},
       {{"success", true}, {"message", kSentMessage}, {"printerName", "Receipt"}}},
  };
}

TEST(OpenCashDrawer, EachOutcomeMakesItsSpoolerCallsAndAnswersItsMap) {
  for (const JobCase& c : JobCases()) {
    SCOPED_TRACE(c.label);
    FakePrintSpooler spooler = SpoolerWithReceiptPrinter();
    c.arrange(spooler);
    const ValueMap result = OpenCashDrawer(c.printer_name, "", 0, 25, 250, spooler);
    EXPECT_TRUE(SameValue(EncodableValue(result), EncodableValue(c.result)));
    EXPECT_EQ(spooler.calls(), c.calls);
    EXPECT_EQ(spooler.open_printers(), 0);
    const bool sent = SameValue(c.result.at(EncodableValue("success")), EncodableValue(true));
    EXPECT_EQ(spooler.queue.size(), c.queued.value_or(sent ? 1u : 0u));
    if (c.written) {
      EXPECT_EQ(spooler.written_bytes(), *c.written);
    }
  }
}

struct DataTypeCase {
  const char* label;
  std::function<void(FakePrintSpooler&)> arrange;
  std::vector<std::string> calls;  // after OpenPrinterW
  ValueMap result;
};

// XPS-based drivers take the command only as "XPS_PASS", classic ones as
// "RAW"; a shared printer's server may judge by another driver than the one
// installed here, so a refused data type gets one try in the other.
TEST(OpenCashDrawer, StartsTheDocumentInTheDataTypeTheDriverPassesUnchanged) {
  const ValueMap sent = {{"success", true}, {"message", kSentMessage}, {"printerName", "Receipt"}};
  const std::vector<std::string> page = {"StartPagePrinter", "WritePrinter", "EndPagePrinter",
                                         "EndDocPrinter", "ClosePrinter"};
  const auto then_page = [&page](std::vector<std::string> calls) {
    calls.insert(calls.end(), page.begin(), page.end());
    return calls;
  };
  const DataTypeCase cases[] = {
      {"XPS driver", [](FakePrintSpooler& s) { s.driver_attributes = kXpsDriverAttribute | 0x1; },
       then_page({"GetPrinterDriverW", "StartDocPrinterW(XPS_PASS)"}), sent},
      {"classic driver with other attributes",
       [](FakePrintSpooler& s) { s.driver_attributes = 0x1 | 0x4 | 0x8; },
       then_page({"GetPrinterDriverW", "StartDocPrinterW(RAW)"}), sent},
      {"driver query fails",
       [](FakePrintSpooler& s) {
         s.driver_attributes = kXpsDriverAttribute;
         s.FailAt(Step::kGetPrinterDriver, 5);
       },
       then_page({"GetPrinterDriverW", "StartDocPrinterW(RAW)"}), sent},
      {"RAW refused as a data type, XPS_PASS taken",
       [](FakePrintSpooler& s) {
         s.refused_data_types = {{u"RAW", kInvalidDataTypeError}};
       },
       then_page({"GetPrinterDriverW", "StartDocPrinterW(RAW)", "GetLastError",
                  "StartDocPrinterW(XPS_PASS)"}),
       sent},
      {"XPS_PASS refused as a data type, RAW taken",
       [](FakePrintSpooler& s) {
         s.driver_attributes = kXpsDriverAttribute;
         s.refused_data_types = {{u"XPS_PASS", kInvalidDataTypeError}};
       },
       then_page({"GetPrinterDriverW", "StartDocPrinterW(XPS_PASS)", "GetLastError",
                  "StartDocPrinterW(RAW)"}),
       sent},
      {"both refused: the second code is answered, no third try",
       [](FakePrintSpooler& s) {
         s.refused_data_types = {{u"RAW", kInvalidDataTypeError},
                                 {u"XPS_PASS", kInvalidDataTypeError}};
       },
       {"GetPrinterDriverW", "StartDocPrinterW(RAW)", "GetLastError", "StartDocPrinterW(XPS_PASS)",
        "GetLastError", "ClosePrinter"},
       Failed(kStartJobFailedMessage, kInvalidDataTypeError, false)},
      {"the retry refused for another reason answers that code",
       [](FakePrintSpooler& s) {
         s.driver_attributes = kXpsDriverAttribute;
         s.refused_data_types = {{u"XPS_PASS", kInvalidDataTypeError}, {u"RAW", 1798}};
       },
       {"GetPrinterDriverW", "StartDocPrinterW(XPS_PASS)", "GetLastError", "StartDocPrinterW(RAW)",
        "GetLastError", "ClosePrinter"},
       Failed(kStartJobFailedMessage, 1798, false)},
      {"RAW refused for another reason is not tried again",
       [](FakePrintSpooler& s) {
         s.refused_data_types = {{u"RAW", 5}};
       },
       {"GetPrinterDriverW", "StartDocPrinterW(RAW)", "GetLastError", "ClosePrinter"},
       Failed(kStartJobFailedMessage, 5, false)},
  };
  for (const DataTypeCase& c : cases) {
    SCOPED_TRACE(c.label);
    FakePrintSpooler spooler = SpoolerWithReceiptPrinter();
    c.arrange(spooler);
    const ValueMap result = OpenCashDrawer(kReceipt, "", 0, 25, 250, spooler);
    EXPECT_TRUE(SameValue(EncodableValue(result), EncodableValue(c.result)));
    std::vector<std::string> calls = {"OpenPrinterW"};
    calls.insert(calls.end(), c.calls.begin(), c.calls.end());
    EXPECT_EQ(spooler.calls(), calls);
    const std::vector<uint8_t> one_command = {0x1B, 0x70, 0x00, 0x19, 0xFA};
    const bool was_sent = SameValue(EncodableValue(result), EncodableValue(sent));
    EXPECT_EQ(spooler.written_bytes(), was_sent ? one_command : std::vector<uint8_t>());
    EXPECT_EQ(spooler.open_printers(), 0);
  }
}

// Callers that watch or explain the job learn its id and the data types tried.
TEST(RunDrawerJob, ReportsTheJobIdAndTheDataTypesTried) {
  FakePrintSpooler spooler = SpoolerWithReceiptPrinter();
  spooler.next_job_id = 41;
  spooler.refused_data_types = {{u"RAW", kInvalidDataTypeError}};
  const DrawerJobReport report = RunDrawerJob(kReceipt, "escPosAscii", 1, 25, 250, spooler);
  EXPECT_TRUE(report.sent);
  EXPECT_EQ(report.job_id, 41u);
  EXPECT_EQ(report.data_types_tried, (std::vector<std::u16string>{u"RAW", u"XPS_PASS"}));
  EXPECT_EQ(report.command, (std::vector<uint8_t>{0x1B, 0x70, 0x31, 0x19, 0xFA}));
  ASSERT_EQ(spooler.queue.size(), 1u);
  EXPECT_EQ(spooler.queue[0].id, 41u);
  EXPECT_EQ(spooler.queue[0].status, 0u);
}

TEST(OpenCashDrawer, RunsOneRawDocumentOfTheCommandBytes) {
  FakePrintSpooler spooler = SpoolerWithReceiptPrinter();
  const ValueMap result = OpenCashDrawer(kReceipt, "starPrnt", 1, 0, 250, spooler);
  EXPECT_TRUE(SameValue(result.at(EncodableValue("success")), EncodableValue(true)));
  EXPECT_EQ(spooler.opened_names(), std::vector<std::u16string>{kReceipt});
  EXPECT_EQ(spooler.document_name(), u"Kestro - Open cash drawer");
  EXPECT_EQ(spooler.written_bytes(), (std::vector<uint8_t>{0x1B, 0x07, 0x01, 0x7F, 0x1A}));
}

TEST(OpenCashDrawer, ReportsTheNameItOpenedInUtf8) {
  const std::u16string name = u"Kass\u00E9 \U0001F5A8";
  FakePrintSpooler spooler;
  spooler.printers = {{name, std::nullopt, std::nullopt}};
  const ValueMap result = OpenCashDrawer(name, "", 0, 25, 250, spooler);
  EXPECT_TRUE(SameValue(result.at(EncodableValue("printerName")),
                        EncodableValue("Kass\xC3\xA9 \xF0\x9F\x96\xA8")));
}

TEST(OpenCashDrawer, KeysAreOrderedByValueWhateverTheOutcome) {
  FakePrintSpooler spooler = SpoolerWithReceiptPrinter();
  spooler.FailAt(Step::kWrite, 1);
  std::vector<std::string> keys;
  for (const auto& [key, value] : OpenCashDrawer(kReceipt, "", 0, 25, 250, spooler)) {
    keys.push_back(key.Get<std::string>());
  }
  EXPECT_EQ(keys, (std::vector<std::string>{"errorCode", "message", "printerName", "success"}));
}

}  // namespace
}  // namespace kestro
