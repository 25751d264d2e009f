// floor-spooler.exe OUT list COUNT
// floor-spooler.exe OUT drawer PRINTER COUNT
//
// The spooler calls of one cash drawer call, made COUNT times in a row with
// nothing else around them, each round timed: {"callMs": [t, ...]} goes to
// OUT, in milliseconds. "list" makes the calls of "listPrinters" (the default
// printer's name, sizing call and reading call, then the printers at level 2,
// the same two calls); "drawer" those of "openDrawer" with a printer name:
// the names-only enumeration that resolution makes (level 4, two calls), then
// the job: open the printer, ask its driver's attributes (level 8, two
// calls), start a document of data type "RAW" ("XPS_PASS" for an XPS-based
// driver), start a page, write the five bytes of the drawer-kick command,
// end the page and the document, and close the printer.
// Exit code 0, 1 when a call failed or OUT could not be written, 2 on a
// malformed command line.

#include <windows.h>
// Need the declarations of <windows.h> first.
#include <shellapi.h>
#include <winspool.h>

#include <cstdint>
#include <string>
#include <vector>

#include "bench/floors/floor_output_win.h"
#include "standins/engine/process_clock_win.h"

namespace {

constexpr DWORD kEnumFlags = PRINTER_ENUM_LOCAL | PRINTER_ENUM_CONNECTIONS;
constexpr DWORD kDriverXpsAttribute = 0x00000002;
BYTE kDrawerCommand[] = {0x1B, 0x70, 0x31, 0x19, 0xFA};
wchar_t kDocumentName[] = L"Kestro - Open cash drawer";
wchar_t kRawDataType[] = L"RAW";
wchar_t kXpsPassDataType[] = L"XPS_PASS";

bool EnumeratePrinters(DWORD level) {
  DWORD needed = 0;
  DWORD returned = 0;
  ::EnumPrintersW(kEnumFlags, nullptr, level, nullptr, 0, &needed, &returned);
  if (needed == 0) return false;
  std::vector<BYTE> buffer(needed, 0);
  return ::EnumPrintersW(kEnumFlags, nullptr, level, buffer.data(), needed, &needed, &returned) !=
         0;
}

bool ListPrinters() {
  DWORD units = 0;
  ::GetDefaultPrinterW(nullptr, &units);
  std::vector<wchar_t> name(units, L'\0');
  if (units == 0 || !::GetDefaultPrinterW(name.data(), &units)) return false;
  return EnumeratePrinters(2);
}

wchar_t* DataTypeFor(HANDLE printer) {
  DWORD needed = 0;
  ::GetPrinterDriverW(printer, nullptr, 8, nullptr, 0, &needed);
  if (needed < sizeof(DRIVER_INFO_8W)) return kRawDataType;
  std::vector<BYTE> buffer(needed, 0);
  if (!::GetPrinterDriverW(printer, nullptr, 8, buffer.data(), needed, &needed)) {
    return kRawDataType;
  }
  const DWORD attributes =
      reinterpret_cast<const DRIVER_INFO_8W*>(buffer.data())->dwPrinterDriverAttributes;
  return (attributes & kDriverXpsAttribute) != 0 ? kXpsPassDataType : kRawDataType;
}

bool OpenDrawer(std::wstring& printer_name) {
  if (!EnumeratePrinters(4)) return false;
  HANDLE printer = nullptr;
  if (!::OpenPrinterW(printer_name.data(), &printer, nullptr)) return false;
  DOC_INFO_1W document = {kDocumentName, nullptr, DataTypeFor(printer)};
  bool sent = false;
  if (::StartDocPrinterW(printer, 1, reinterpret_cast<BYTE*>(&document)) != 0) {
    if (::StartPagePrinter(printer)) {
      DWORD written = 0;
      sent = ::WritePrinter(printer, kDrawerCommand, sizeof(kDrawerCommand), &written) &&
             written == sizeof(kDrawerCommand);
      ::EndPagePrinter(printer);
    }
    ::EndDocPrinter(printer);
  }
  ::ClosePrinter(printer);
  return sent;
}

}  // namespace

int APIENTRY wWinMain(HINSTANCE, HINSTANCE, wchar_t*, int) {
  int argc = 0;
  wchar_t** argv = ::CommandLineToArgvW(::GetCommandLineW(), &argc);
  if (argv == nullptr) return 2;
  const std::vector<std::wstring> args(argv + 1, argv + argc);
  ::LocalFree(argv);
  const bool list = args.size() == 3 && args[1] == L"list";
  const bool drawer = args.size() == 4 && args[1] == L"drawer";
  if (!list && !drawer) return 2;
  const int count = _wtoi(args.back().c_str());
  std::wstring printer_name = drawer ? args[2] : L"";

  std::vector<double> times;
  times.reserve(count);
  for (int i = 0; i < count; ++i) {
    const double start = kestro::standin::MillisecondsSinceProcessStart();
    if (!(list ? ListPrinters() : OpenDrawer(printer_name))) return 1;
    times.push_back(kestro::standin::MillisecondsSinceProcessStart() - start);
  }
  return kestro::floors::WriteTimes(args[0], "callMs", times) ? 0 : 1;
}
