// Installs, removes and lists printers in the current Windows (or Wine)
// installation, for test fixtures and demo runs that need real spooler
// printers whose jobs end up somewhere a test can read.
//
// Every printer is created with Wine's own PostScript driver files
// (wineps.drv as driver, data and config file) under one driver name, so the
// fixture needs nothing beyond a fresh Wine prefix. Raw jobs bypass the
// driver; where the bytes go is decided by the port:
//   "|cat >> '/unix/path'"  Wine runs the command with /bin/sh and pipes the
//                           job's bytes into it unchanged.

#ifndef KESTRO_TOOLS_WINE_PRINTERS_PRINTER_ADMIN_WIN_H_
#define KESTRO_TOOLS_WINE_PRINTERS_PRINTER_ADMIN_WIN_H_

#include <windows.h>

#include <string>
#include <vector>

namespace kestro::wine_printers {

// The driver name every printer made here carries.
inline constexpr wchar_t kDriverName[] = L"Kestro Raw Test Driver";

// One installed printer as the spooler lists it.
struct InstalledPrinter {
  std::wstring name;
  std::wstring driver_name;
  std::wstring port_name;
};

// Each operation returns ERROR_SUCCESS or the Win32 error code of the step
// that failed.

// Installs the driver named kDriverName unless it is installed already.
[[nodiscard]] DWORD EnsureTestDriver();

// Installs printer `name` on `port` with the test driver (installing the driver
// first when needed), a local printer with `extra_attributes` (PRINTER_ATTRIBUTE_*
// bits) besides. A printer already called `name` is removed first, so the
// call also repairs what an interrupted run left behind.
[[nodiscard]] DWORD AddTestPrinter(const std::wstring& name, const std::wstring& port,
                                   DWORD extra_attributes = 0);

// Removes printer `name`; a printer that does not exist is not an error.
[[nodiscard]] DWORD RemovePrinter(const std::wstring& name);

// Makes `name` the user's default printer.
[[nodiscard]] DWORD MakeDefaultPrinter(const std::wstring& name);

// Leaves the user without a default printer. (SetDefaultPrinterW cannot: given
// no name it picks the first printer when there is no default.) Removing the
// default printer also leaves none.
[[nodiscard]] DWORD ClearDefaultPrinter();

// Lists the local printers and printer connections into `printers`.
[[nodiscard]] DWORD ListPrinters(std::vector<InstalledPrinter>* printers);

// The Windows path under which Wine shows the Unix path `unix_path`
// (drive Z: maps the Unix root in every Wine prefix).
std::wstring WindowsPathOfUnixPath(const std::wstring& unix_path);

// The port that appends each job's bytes to the Unix file `unix_path`.
std::wstring AppendToFilePort(const std::wstring& unix_path);

}  // namespace kestro::wine_printers

#endif  // KESTRO_TOOLS_WINE_PRINTERS_PRINTER_ADMIN_WIN_H_
