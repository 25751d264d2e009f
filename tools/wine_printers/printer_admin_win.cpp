#include "tools/wine_printers/printer_admin_win.h"

#include <winspool.h>

#include <memory>

namespace kestro::wine_printers {
namespace {

// Wine's PostScript driver serves as driver, data and config file: it is part
// of every Wine prefix, and raw jobs never reach it.
constexpr wchar_t kDriverFile[] = L"wineps.drv";

// Closes a printer handle opened for administration.
struct PrinterCloser {
  void operator()(HANDLE printer) const { ::ClosePrinter(printer); }
};
using ScopedAdminPrinter = std::unique_ptr<void, PrinterCloser>;

DWORD LastErrorOr(BOOL ok) { return ok ? ERROR_SUCCESS : ::GetLastError(); }

wchar_t* Writable(const wchar_t* text) { return const_cast<wchar_t*>(text); }

bool DriverInstalled() {
  DWORD needed = 0;
  DWORD returned = 0;
  ::EnumPrinterDriversW(nullptr, nullptr, 1, nullptr, 0, &needed, &returned);
  if (needed == 0) return false;
  std::vector<BYTE> buffer(needed);
  if (!::EnumPrinterDriversW(nullptr, nullptr, 1, buffer.data(), needed, &needed, &returned)) {
    return false;
  }
  const auto* drivers = reinterpret_cast<const DRIVER_INFO_1W*>(buffer.data());
  for (DWORD i = 0; i < returned; ++i) {
    if (drivers[i].pName != nullptr && std::wstring(drivers[i].pName) == kDriverName) return true;
  }
  return false;
}

}  // namespace

DWORD EnsureTestDriver() {
  if (DriverInstalled()) return ERROR_SUCCESS;
  DRIVER_INFO_3W driver = {};
  driver.cVersion = 3;
  driver.pName = Writable(kDriverName);
  driver.pDriverPath = Writable(kDriverFile);
  driver.pDataFile = Writable(kDriverFile);
  driver.pConfigFile = Writable(kDriverFile);
  return LastErrorOr(
      ::AddPrinterDriverExW(nullptr, 3, reinterpret_cast<BYTE*>(&driver), APD_COPY_NEW_FILES));
}

DWORD AddTestPrinter(const std::wstring& name, const std::wstring& port, DWORD extra_attributes) {
  if (DWORD error = EnsureTestDriver(); error != ERROR_SUCCESS) return error;
  if (DWORD error = RemovePrinter(name); error != ERROR_SUCCESS) return error;
  PRINTER_INFO_2W info = {};
  info.pPrinterName = Writable(name.c_str());
  info.pPortName = Writable(port.c_str());
  info.pDriverName = Writable(kDriverName);
  info.pPrintProcessor = Writable(L"WinPrint");
  info.pDatatype = Writable(L"RAW");
  info.Attributes = PRINTER_ATTRIBUTE_LOCAL | extra_attributes;
  HANDLE printer = ::AddPrinterW(nullptr, 2, reinterpret_cast<BYTE*>(&info));
  if (printer == nullptr) return ::GetLastError();
  ScopedAdminPrinter owned(printer);
  return ERROR_SUCCESS;
}

DWORD RemovePrinter(const std::wstring& name) {
  PRINTER_DEFAULTSW access = {nullptr, nullptr, PRINTER_ALL_ACCESS};
  HANDLE printer = nullptr;
  if (!::OpenPrinterW(Writable(name.c_str()), &printer, &access)) {
    DWORD error = ::GetLastError();
    return error == ERROR_INVALID_PRINTER_NAME ? ERROR_SUCCESS : error;
  }
  ScopedAdminPrinter owned(printer);
  return LastErrorOr(::DeletePrinter(printer));
}

DWORD MakeDefaultPrinter(const std::wstring& name) {
  return LastErrorOr(::SetDefaultPrinterW(name.c_str()));
}

DWORD ClearDefaultPrinter() {
  // The spooler keeps the user's default printer in this value.
  const LSTATUS status = ::RegDeleteKeyValueW(
      HKEY_CURRENT_USER, L"Software\\Microsoft\\Windows NT\\CurrentVersion\\Windows", L"Device");
  return status == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : static_cast<DWORD>(status);
}

DWORD ListPrinters(std::vector<InstalledPrinter>* printers) {
  printers->clear();
  constexpr DWORD kFlags = PRINTER_ENUM_LOCAL | PRINTER_ENUM_CONNECTIONS;
  DWORD needed = 0;
  DWORD returned = 0;
  ::EnumPrintersW(kFlags, nullptr, 2, nullptr, 0, &needed, &returned);
  if (needed == 0) return ERROR_SUCCESS;
  std::vector<BYTE> buffer(needed);
  if (!::EnumPrintersW(kFlags, nullptr, 2, buffer.data(), needed, &needed, &returned)) {
    return ::GetLastError();
  }
  const auto* records = reinterpret_cast<const PRINTER_INFO_2W*>(buffer.data());
  auto text = [](const wchar_t* field) { return std::wstring(field ? field : L""); };
  for (DWORD i = 0; i < returned; ++i) {
    printers->push_back(
        {text(records[i].pPrinterName), text(records[i].pDriverName), text(records[i].pPortName)});
  }
  return ERROR_SUCCESS;
}

std::wstring WindowsPathOfUnixPath(const std::wstring& unix_path) {
  std::wstring path = L"Z:" + unix_path;
  for (wchar_t& c : path) {
    if (c == L'/') c = L'\\';
  }
  return path;
}

std::wstring AppendToFilePort(const std::wstring& unix_path) {
  return L"|cat >> '" + unix_path + L"'";
}

}  // namespace kestro::wine_printers
