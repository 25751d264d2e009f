// How the cash drawer service opens a printer whose queue it reads or
// changes (the kick watch, and the tool's `jobs` and `clear`): a shared
// printer's job states must come from its print server, not from the local
// spooler's cache, or a kick still held by the server reads as gone.

#ifndef KESTRO_CASH_DRAWER_PRINTER_OPENING_H_
#define KESTRO_CASH_DRAWER_PRINTER_OPENING_H_

#include <cstdint>
#include <memory>
#include <string>

#include "cash_drawer/print_spooler.h"

namespace kestro {

// Whether `name` names a printer shared by a print server ("\\server\queue").
bool IsSharedPrinterName(const std::u16string& name);

// A printer opened to read or change its queue.
struct QueuePrinter {
  // Null when the printer did not open.
  std::unique_ptr<OpenedPrinter> printer;
  // True when the job states come through the local spooler's cache (a
  // shared printer where OpenPrinter2W is missing): a job that reads as gone
  // may still be held by the server.
  bool cached = false;
  // The Windows function that opened the printer, or that failed to.
  const char* function = "OpenPrinterW";
  // That function's last-error code when it failed; 0 otherwise.
  uint32_t error_code = 0;
};

// Opens `name` for its queue: a shared printer's name with OpenUncachedPrinter
// (OpenPrinter2W, PRINTER_OPTION_NO_CACHE), and with OpenNamedPrinter
// (OpenPrinterW) where that call is missing (kProcNotFoundError); any other
// name with OpenNamedPrinter. The error code of a failure is read right after
// the call that failed.
QueuePrinter OpenQueuePrinter(PrintSpooler& spooler, const std::u16string& name);

}  // namespace kestro

#endif  // KESTRO_CASH_DRAWER_PRINTER_OPENING_H_
