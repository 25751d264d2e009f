// The printer administration of the test fixtures, against the spooler of
// the test's Wine prefix. Port files go to KESTRO_TEST_PORT_DIR, a Unix
// folder given by the build.

#include "tools/wine_printers/printer_admin_win.h"

#include <gtest/gtest.h>
#include <windows.h>
#include <winspool.h>

#include <chrono>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

namespace kestro::wine_printers {
namespace {

const std::wstring kPortDir = L"" KESTRO_TEST_PORT_DIR;
const std::wstring kPrinter = L"Kestro Admin Test";

const InstalledPrinter* Find(const std::vector<InstalledPrinter>& printers,
                             const std::wstring& name) {
  for (const InstalledPrinter& printer : printers) {
    if (printer.name == name) return &printer;
  }
  return nullptr;
}

std::vector<InstalledPrinter> Printers() {
  std::vector<InstalledPrinter> printers;
  EXPECT_EQ(ListPrinters(&printers), 0u);
  return printers;
}

std::wstring DefaultPrinter() {
  wchar_t name[256] = {};
  DWORD size = 256;
  return ::GetDefaultPrinterW(name, &size) ? name : L"";
}

// Sends `bytes` to `printer` as one raw job.
bool PrintRaw(const std::wstring& printer, std::vector<uint8_t> bytes) {
  HANDLE handle = nullptr;
  if (!::OpenPrinterW(const_cast<wchar_t*>(printer.c_str()), &handle, nullptr)) return false;
  DOC_INFO_1W info = {const_cast<wchar_t*>(L"admin test"), nullptr, const_cast<wchar_t*>(L"RAW")};
  DWORD written = 0;
  const bool sent =
      ::StartDocPrinterW(handle, 1, reinterpret_cast<BYTE*>(&info)) &&
      ::WritePrinter(handle, bytes.data(), static_cast<DWORD>(bytes.size()), &written) &&
      ::EndDocPrinter(handle);
  ::ClosePrinter(handle);
  return sent && written == bytes.size();
}

std::vector<uint8_t> AwaitFileBytes(const std::wstring& path, size_t count) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  std::vector<uint8_t> bytes;
  do {
    std::ifstream file(path.c_str(), std::ios::binary);
    bytes.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    if (bytes.size() >= count) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  } while (std::chrono::steady_clock::now() < deadline);
  return bytes;
}

class PrinterAdminTest : public ::testing::Test {
 protected:
  void SetUp() override { ::CreateDirectoryW(WindowsPathOfUnixPath(kPortDir).c_str(), nullptr); }
  void TearDown() override { EXPECT_EQ(RemovePrinter(kPrinter), 0u); }
};

TEST(WindowsPathOfUnixPath, UsesDriveZWithBackslashes) {
  EXPECT_EQ(WindowsPathOfUnixPath(L"/tmp/a b/port.bin"), L"Z:\\tmp\\a b\\port.bin");
  EXPECT_EQ(AppendToFilePort(L"/tmp/a b/port.bin"), L"|cat >> '/tmp/a b/port.bin'");
}

TEST_F(PrinterAdminTest, AddingAgainReplacesThePrinter) {
  ASSERT_EQ(AddTestPrinter(kPrinter, L"LPT1:"), 0u);
  ASSERT_EQ(AddTestPrinter(kPrinter, L"LPT2:"), 0u);
  const std::vector<InstalledPrinter> printers = Printers();
  ASSERT_NE(Find(printers, kPrinter), nullptr);
  EXPECT_EQ(Find(printers, kPrinter)->port_name, L"LPT2:");
  EXPECT_EQ(Find(printers, kPrinter)->driver_name, kDriverName);
  int listed = 0;
  for (const InstalledPrinter& printer : printers) listed += printer.name == kPrinter;
  EXPECT_EQ(listed, 1);
}

TEST_F(PrinterAdminTest, RemovingIsIdempotent) {
  ASSERT_EQ(AddTestPrinter(kPrinter, L"LPT1:"), 0u);
  EXPECT_EQ(RemovePrinter(kPrinter), 0u);
  EXPECT_EQ(Find(Printers(), kPrinter), nullptr);
  EXPECT_EQ(RemovePrinter(kPrinter), 0u);
}

TEST_F(PrinterAdminTest, SetsAndClearsTheDefaultPrinter) {
  ASSERT_EQ(AddTestPrinter(kPrinter, L"LPT1:"), 0u);
  ASSERT_EQ(MakeDefaultPrinter(kPrinter), 0u);
  EXPECT_EQ(DefaultPrinter(), kPrinter);
  ASSERT_EQ(ClearDefaultPrinter(), 0u);
  EXPECT_EQ(DefaultPrinter(), L"");
  EXPECT_EQ(ClearDefaultPrinter(), 0u);
  EXPECT_NE(MakeDefaultPrinter(L"Kestro Printer Nobody Has"), 0u);
}

TEST_F(PrinterAdminTest, AFilePortReceivesRawJobsUnchangedEvenWithABlankInItsPath) {
  const std::wstring port_file = kPortDir + L"/admin test.bin";
  const std::wstring windows_path = WindowsPathOfUnixPath(port_file);
  ::DeleteFileW(windows_path.c_str());
  ASSERT_EQ(AddTestPrinter(kPrinter, AppendToFilePort(port_file)), 0u);
  // Every byte value, so that no translation of line ends or controls hides.
  std::vector<uint8_t> bytes(256);
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>(255 - i);
  ASSERT_TRUE(PrintRaw(kPrinter, bytes));
  EXPECT_EQ(AwaitFileBytes(windows_path, bytes.size()), bytes);
}

}  // namespace
}  // namespace kestro::wine_printers
