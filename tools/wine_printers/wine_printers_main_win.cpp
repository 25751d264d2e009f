// wine-printers.exe: manages the printers of a Wine prefix for tests and demo
// runs. Run it under Wine in the prefix to change:
//
//   wine-printers.exe add NAME PORT [--default]
//       Installs printer NAME on PORT with the test driver, replacing a printer
//       of the same name; --default also makes it the user's default printer.
//   wine-printers.exe add-file NAME UNIX_PATH [--default]
//       The same, on a port that appends every job's bytes to the Unix file
//       UNIX_PATH (the port "|cat >> 'UNIX_PATH'").
//   wine-printers.exe remove NAME
//       Removes printer NAME; succeeds when there is none.
//   wine-printers.exe default NAME
//       Makes NAME the user's default printer.
//   wine-printers.exe no-default
//       Leaves the user without a default printer.
//   wine-printers.exe list
//       Prints one line per printer: name, driver and port separated by tabs,
//       and a fourth field "default" on the default printer's line.
//
// Exit status 0 on success, 1 when the spooler refused (the Win32 error code
// is printed on the standard error stream), 2 on a malformed command line.

#include <windows.h>
#include <winspool.h>

#include <cstdio>
#include <string>
#include <vector>

#include "tools/wine_printers/printer_admin_win.h"

namespace {

using kestro::wine_printers::InstalledPrinter;

constexpr int kUsageError = 2;

int Usage() {
  std::fputws(
      L"usage: wine-printers.exe add NAME PORT [--default]\n"
      L"       wine-printers.exe add-file NAME UNIX_PATH [--default]\n"
      L"       wine-printers.exe remove NAME\n"
      L"       wine-printers.exe default NAME\n"
      L"       wine-printers.exe no-default\n"
      L"       wine-printers.exe list\n",
      stderr);
  return kUsageError;
}

int Report(const wchar_t* step, DWORD error) {
  if (error == ERROR_SUCCESS) return 0;
  std::fwprintf(stderr, L"wine-printers: %ls failed with error %lu\n", step, error);
  return 1;
}

int Add(const std::wstring& name, const std::wstring& port, bool make_default) {
  if (int status =
          Report(L"adding the printer", kestro::wine_printers::AddTestPrinter(name, port))) {
    return status;
  }
  if (!make_default) return 0;
  return Report(L"setting the default printer", kestro::wine_printers::MakeDefaultPrinter(name));
}

std::wstring DefaultPrinter() {
  DWORD size = 0;
  ::GetDefaultPrinterW(nullptr, &size);
  if (size == 0) return {};
  std::vector<wchar_t> buffer(size);
  if (!::GetDefaultPrinterW(buffer.data(), &size)) return {};
  return buffer.data();
}

int List() {
  std::vector<InstalledPrinter> printers;
  if (int status = Report(L"listing printers", kestro::wine_printers::ListPrinters(&printers))) {
    return status;
  }
  const std::wstring default_name = DefaultPrinter();
  for (const InstalledPrinter& printer : printers) {
    std::wprintf(L"%ls\t%ls\t%ls%ls\n", printer.name.c_str(), printer.driver_name.c_str(),
                 printer.port_name.c_str(), printer.name == default_name ? L"\tdefault" : L"");
  }
  return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  std::vector<std::wstring> args(argv + 1, argv + argc);
  if (args.empty()) return Usage();
  const std::wstring& command = args[0];
  const bool make_default = args.size() == 4 && args[3] == L"--default";
  const bool add_shape = args.size() == 3 || make_default;
  if (command == L"add" && add_shape) return Add(args[1], args[2], make_default);
  if (command == L"add-file" && add_shape) {
    return Add(args[1], kestro::wine_printers::AppendToFilePort(args[2]), make_default);
  }
  if (command == L"remove" && args.size() == 2) {
    return Report(L"removing the printer", kestro::wine_printers::RemovePrinter(args[1]));
  }
  if (command == L"default" && args.size() == 2) {
    return Report(L"setting the default printer",
                  kestro::wine_printers::MakeDefaultPrinter(args[1]));
  }
  if (command == L"no-default" && args.size() == 1) {
    return Report(L"clearing the default printer", kestro::wine_printers::ClearDefaultPrinter());
  }
  if (command == L"list" && args.size() == 1) return List();
  return Usage();
}
