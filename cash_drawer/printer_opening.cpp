#include "cash_drawer/printer_opening.h"

#include <utility>

namespace kestro {

bool IsSharedPrinterName(const std::u16string& name) { return name.rfind(u"\\\\", 0) == 0; }

QueuePrinter OpenQueuePrinter(PrintSpooler& spooler, const std::u16string& name) {
  QueuePrinter opened;
  if (IsSharedPrinterName(name)) {
    opened.function = "OpenPrinter2W";
    opened.printer = spooler.OpenUncachedPrinter(name);
    if (opened.printer) return opened;
    opened.error_code = spooler.LastErrorCode();
    if (opened.error_code != kProcNotFoundError) return opened;
    opened.cached = true;
  }
  opened.function = "OpenPrinterW";
  opened.printer = spooler.OpenNamedPrinter(name);
  opened.error_code = opened.printer ? 0 : spooler.LastErrorCode();
  return opened;
}

}  // namespace kestro
