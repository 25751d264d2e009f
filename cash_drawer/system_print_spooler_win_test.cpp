// The cash drawer service against the real spooler of the test's Wine prefix:
// the fixture installs printers whose ports append each job's bytes to a file
// in KESTRO_TEST_PORT_DIR, a Unix folder given by the build.

#include "cash_drawer/system_print_spooler_win.h"

#include <gtest/gtest.h>
#include <windows.h>
#include <winspool.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <iterator>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "cash_drawer/cash_drawer_handler.h"
#include "cash_drawer/cash_drawer_job.h"
#include "cash_drawer/drawer_kick_watch.h"
#include "cash_drawer/kick_clock.h"
#include "cash_drawer/printer_enumeration.h"
#include "cash_drawer/printer_resolution.h"
#include "cash_drawer/text_conversion.h"
#include "codec/testing/recording_result.h"
#include "codec/testing/value_printer.h"
#include "tools/wine_printers/printer_admin_win.h"

namespace kestro {
namespace {

namespace admin = wine_printers;
using flutter::EncodableValue;
using flutter::ValueList;
using flutter::ValueMap;
using kestro_testing::Answer;
using kestro_testing::RecordingResult;
using kestro_testing::SameValue;

constexpr char kPortDir[] = KESTRO_TEST_PORT_DIR;

struct TestPrinter {
  std::u16string name;
  std::string port_file;  // Unix path
};

std::wstring Wide(const std::u16string& text) { return std::wstring(text.begin(), text.end()); }
std::wstring Wide(const std::string& ascii) { return std::wstring(ascii.begin(), ascii.end()); }
std::u16string Utf16(const std::wstring& text) { return std::u16string(text.begin(), text.end()); }

const TestPrinter& ReceiptPrinter() {
  static const TestPrinter printer = {u"Kestro Test Receipt",
                                      std::string(kPortDir) + "/receipt.bin"};
  return printer;
}

const TestPrinter& OfficePrinter() {
  static const TestPrinter printer = {u"Kestro Test Office", std::string(kPortDir) + "/office.bin"};
  return printer;
}

std::u16string PortOf(const TestPrinter& printer) {
  return Utf16(admin::AppendToFilePort(Wide(printer.port_file)));
}

std::wstring WindowsPath(const std::string& unix_path) {
  return admin::WindowsPathOfUnixPath(Wide(unix_path));
}

std::vector<uint8_t> ReadFileBytes(const std::string& unix_path) {
  std::ifstream file(WindowsPath(unix_path).c_str(), std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(file),
                              std::istreambuf_iterator<char>());
}

// The bytes of the port file once at least `count` have arrived, or what is
// there after a generous bound (the spooler hands the job to the port's
// command, which writes it a moment later).
std::vector<uint8_t> AwaitPortBytes(const TestPrinter& printer, size_t count) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  std::vector<uint8_t> bytes = ReadFileBytes(printer.port_file);
  while (bytes.size() < count && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    bytes = ReadFileBytes(printer.port_file);
  }
  return bytes;
}

class SystemSpoolerTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    ::CreateDirectoryW(WindowsPath(kPortDir).c_str(), nullptr);
    for (const TestPrinter* printer : {&OfficePrinter(), &ReceiptPrinter()}) {
      ASSERT_EQ(admin::AddTestPrinter(Wide(printer->name), Wide(PortOf(*printer))), 0u);
    }
    ASSERT_EQ(admin::MakeDefaultPrinter(Wide(OfficePrinter().name)), 0u);
  }

  static void TearDownTestSuite() {
    for (const TestPrinter* printer : {&OfficePrinter(), &ReceiptPrinter()}) {
      EXPECT_EQ(admin::RemovePrinter(Wide(printer->name)), 0u);
    }
  }

  void SetUp() override {
    for (const TestPrinter* printer : {&OfficePrinter(), &ReceiptPrinter()}) {
      ::DeleteFileW(WindowsPath(printer->port_file).c_str());
    }
  }

  SystemPrintSpooler spooler_;
};

const ValueMap* FindPrinter(const ValueList& list, const std::u16string& name) {
  for (const EncodableValue& printer : list) {
    const ValueMap& map = printer.Get<ValueMap>();
    if (map.at(EncodableValue("name")).Get<std::string>() == ToUtf8String(name)) return &map;
  }
  return nullptr;
}

TEST_F(SystemSpoolerTest, ListsTheInstalledPrintersAndTheDefault) {
  const ValueList list = BuildPrinterList(spooler_);
  for (const TestPrinter* printer : {&OfficePrinter(), &ReceiptPrinter()}) {
    SCOPED_TRACE(ToUtf8String(printer->name));
    const ValueMap* found = FindPrinter(list, printer->name);
    ASSERT_NE(found, nullptr);
    const ValueMap expected = {
        {"name", ToUtf8String(printer->name)},
        {"driverName", ToUtf8String(Utf16(admin::kDriverName))},
        {"portName", ToUtf8String(PortOf(*printer))},
        {"isDefault", printer == &OfficePrinter()},
    };
    EXPECT_TRUE(SameValue(EncodableValue(*found), EncodableValue(expected)));
  }
  EXPECT_EQ(DefaultPrinterName(spooler_), OfficePrinter().name);
}

// Resolution takes its names from a level-4 enumeration, the list from a
// level-2 one; both must name the same printers in the same order.
TEST_F(SystemSpoolerTest, BothEnumerationLevelsGiveTheSameNamesInTheSameOrder) {
  std::vector<std::u16string> listed;
  for (const PrinterEntry& entry : EnumerateInstalledPrinters(spooler_)) {
    listed.push_back(entry.name);
  }
  const std::vector<std::u16string> names = InstalledPrinterNames(spooler_);
  EXPECT_EQ(names, listed);
  for (const TestPrinter* printer : {&OfficePrinter(), &ReceiptPrinter()}) {
    EXPECT_EQ(std::count(names.begin(), names.end(), printer->name), 1);
  }
}

// The state fields come from the level-2 record; Wine's printers report no
// status and hold no queue, but keep the attributes they were made with.
TEST_F(SystemSpoolerTest, ReadsThePrintersStateFromTheDetailedRecords) {
  const std::wstring offline_name = L"Kestro Test Work Offline";
  ASSERT_EQ(admin::AddTestPrinter(offline_name, L"LPT1:", kPrinterAttributeWorkOffline), 0u);
  const std::vector<PrinterEntry> entries = EnumerateInstalledPrinters(spooler_);
  EXPECT_EQ(admin::RemovePrinter(offline_name), 0u);
  std::vector<std::vector<uint32_t>> states;
  for (const std::u16string& name : {OfficePrinter().name, Utf16(offline_name)}) {
    auto entry = std::find_if(entries.begin(), entries.end(),
                              [&](const PrinterEntry& e) { return e.name == name; });
    ASSERT_NE(entry, entries.end());
    states.push_back({entry->status, entry->attributes, entry->queued_jobs});
  }
  const uint32_t local = PRINTER_ATTRIBUTE_LOCAL;
  EXPECT_EQ(states, (std::vector<std::vector<uint32_t>>{
                        {0, local, 0}, {0, local | kPrinterAttributeWorkOffline, 0}}));
}

// The test printers' driver is a classic one, so the job runs as "RAW".
TEST_F(SystemSpoolerTest, ReadsTheAttributesOfAClassicDriver) {
  std::unique_ptr<OpenedPrinter> printer = spooler_.OpenNamedPrinter(ReceiptPrinter().name);
  ASSERT_NE(printer, nullptr);
  const std::optional<uint32_t> attributes = printer->DriverAttributes();
  ASSERT_TRUE(attributes.has_value());
  EXPECT_EQ(*attributes & kXpsDriverAttribute, 0u);
}

// OpenPrinter2W with PRINTER_OPTION_NO_CACHE opens a local printer as
// OpenPrinterW does, and GetPrinterW tells a queue that prints straight to the
// port from one that spools.
TEST_F(SystemSpoolerTest, OpensWithoutTheCacheAndReadsWhetherTheQueueSpools) {
  const std::wstring direct_name = L"Kestro Test Direct";
  ASSERT_EQ(admin::AddTestPrinter(direct_name, L"LPT1:", kPrinterAttributeDirect), 0u);
  std::vector<std::optional<uint32_t>> attributes;
  for (const std::u16string& name : {ReceiptPrinter().name, Utf16(direct_name)}) {
    std::unique_ptr<OpenedPrinter> printer = spooler_.OpenUncachedPrinter(name);
    EXPECT_NE(printer, nullptr) << spooler_.LastErrorCode();
    attributes.push_back(printer ? printer->Attributes() : std::nullopt);
  }
  EXPECT_EQ(admin::RemovePrinter(direct_name), 0u);
  const uint32_t local = PRINTER_ATTRIBUTE_LOCAL;
  EXPECT_EQ(attributes,
            (std::vector<std::optional<uint32_t>>{local, local | kPrinterAttributeDirect}));
}

TEST_F(SystemSpoolerTest, ResolvesNamesAgainstTheInstalledPrinters) {
  struct Case {
    std::u16string printer_name;
    std::u16string model_hint;
    std::u16string resolved;
  };
  const Case cases[] = {
      {u"KESTRO TEST RECEIPT", u"", ReceiptPrinter().name},
      {u"", u"test receipt", ReceiptPrinter().name},
      {u"", u"", OfficePrinter().name},
      {u"Kestro Nobody", u"", u"Kestro Nobody"},
      {u"", u"no such model", OfficePrinter().name},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(ToUtf8String(c.printer_name + u"|" + c.model_hint));
    EXPECT_EQ(ResolvePrinterName(c.printer_name, c.model_hint, spooler_), c.resolved);
  }
}

TEST_F(SystemSpoolerTest, DeliversExactlyTheFiveBytesOfEachDialect) {
  struct Case {
    const char* protocol;
    int32_t pin;
    std::vector<uint8_t> bytes;
  };
  const Case cases[] = {
      {"", 0, {0x1B, 0x70, 0x00, 0x19, 0xFA}},
      {"escPosAscii", 1, {0x1B, 0x70, 0x31, 0x19, 0xFA}},
      {"starPrnt", 1, {0x1B, 0x07, 0x19, 0x7F, 0x1A}},
  };
  const TestPrinter& printer = ReceiptPrinter();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.protocol);
    ::DeleteFileW(WindowsPath(printer.port_file).c_str());
    const ValueMap result = OpenCashDrawer(printer.name, c.protocol, c.pin, 25, 250, spooler_);
    const ValueMap expected = {
        {"success", true}, {"message", kSentMessage}, {"printerName", ToUtf8String(printer.name)}};
    EXPECT_TRUE(SameValue(EncodableValue(result), EncodableValue(expected)));
    EXPECT_EQ(AwaitPortBytes(printer, c.bytes.size()), c.bytes);
  }
}

// OpenPrinterW itself would open an installed printer's name followed by a
// NUL and more; the name as given belongs to no printer.
TEST_F(SystemSpoolerTest, AnUnknownPrinterFailsToOpenWithTheSpoolersCode) {
  const std::u16string unknown_names[] = {
      u"Kestro No Such Printer",
      ReceiptPrinter().name + std::u16string(1, u'\0') + u"Kitchen",
      ReceiptPrinter().name + std::u16string(1, u'\0'),
  };
  const ValueMap expected = {{"success", false},
                             {"message", kOpenFailedMessage},
                             {"errorCode", static_cast<int32_t>(ERROR_INVALID_PRINTER_NAME)}};
  for (const std::u16string& name : unknown_names) {
    SCOPED_TRACE(testing::PrintToString(name));
    const ValueMap result = OpenCashDrawer(name, "", 0, 25, 250, spooler_);
    EXPECT_TRUE(SameValue(EncodableValue(result), EncodableValue(expected)));
  }
}

TEST_F(SystemSpoolerTest, TheInstalledHandlerOpensTheDrawerOnTheDefaultPrinter) {
  Answer answer;
  auto arguments = std::make_unique<EncodableValue>(ValueMap{{"protocol", "starPrnt"}});
  HandleCashDrawerCall(flutter::MethodCall("openDrawer", std::move(arguments)),
                       std::make_unique<RecordingResult>(&answer));
  const ValueMap expected = {{"success", true},
                             {"message", kSentMessage},
                             {"printerName", ToUtf8String(OfficePrinter().name)}};
  ASSERT_EQ(answer.kind, Answer::Kind::kSuccess);
  ASSERT_TRUE(answer.value.has_value());
  EXPECT_TRUE(SameValue(*answer.value, EncodableValue(expected)));
  EXPECT_EQ(AwaitPortBytes(OfficePrinter(), 5),
            (std::vector<uint8_t>{0x1B, 0x07, 0x19, 0x7F, 0x07}));
}

// GetJobW reads the drawer job while its document is open. Wine's spooler
// prints the job inside EndDocPrinter, after which GetJobW finds no such job;
// a watch started then finds it gone at its first look and withdraws
// nothing. The port gets the bytes once.
TEST_F(SystemSpoolerTest, AWatchedKickThatWasDeliveredLeftTheQueue) {
  const TestPrinter& printer = ReceiptPrinter();
  const std::vector<uint8_t> command = {0x1B, 0x70, 0x00, 0x19, 0xFA};
  std::unique_ptr<OpenedPrinter> opened = spooler_.OpenNamedPrinter(printer.name);
  ASSERT_NE(opened, nullptr);
  uint32_t error_code = 0;
  const uint32_t job_id = opened->StartDocument(kDrawerDocumentName, kRawDataType, &error_code);
  ASSERT_NE(job_id, 0u) << error_code;
  JobRecord job;
  ASSERT_TRUE(opened->ReadJob(job_id, &job)) << spooler_.LastErrorCode();
  EXPECT_EQ(job.id, job_id);
  EXPECT_EQ(job.document_name, kDrawerDocumentName);
  uint32_t written = 0;
  ASSERT_TRUE(opened->StartPage());
  ASSERT_TRUE(opened->Write(command, &written));
  opened->EndPage();
  opened->EndDocument();
  EXPECT_FALSE(opened->ReadJob(job_id, &job));
  EXPECT_EQ(spooler_.LastErrorCode(), kInvalidParameterError);
  opened.reset();

  SystemKickClock clock;
  const KickWatchOutcome outcome = WatchKickToEnd(spooler_, printer.name, job_id, 30000, clock);
  EXPECT_EQ(outcome.fate, KickFate::kLeftQueue);
  EXPECT_EQ(outcome.error_code, 0u);
  EXPECT_EQ(AwaitPortBytes(printer, command.size()), command);
}

}  // namespace
}  // namespace kestro
