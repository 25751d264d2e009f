// Sole ownership of a spooler handle that OpenPrinterW opened: a printer, or
// a port's or monitor's transceive (Xcv) handle.

#ifndef KESTRO_CASH_DRAWER_SCOPED_PRINTER_HANDLE_WIN_H_
#define KESTRO_CASH_DRAWER_SCOPED_PRINTER_HANDLE_WIN_H_

#include <windows.h>
#include <winspool.h>

#include "cash_drawer/scoped_win_handle_win.h"

namespace kestro {

struct PrinterHandleTraits {
  using Handle = HANDLE;
  static Handle Invalid() { return nullptr; }
  static void Close(Handle printer) { ::ClosePrinter(printer); }
};
using ScopedPrinterHandle = ScopedWinHandle<PrinterHandleTraits>;

}  // namespace kestro

#endif  // KESTRO_CASH_DRAWER_SCOPED_PRINTER_HANDLE_WIN_H_
