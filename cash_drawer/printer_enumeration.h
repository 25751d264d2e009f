// The installed printers and the user's default printer, as the spooler
// reports them now, and the printer list that "listPrinters" answers.
// Nothing is cached: each call asks the spooler anew.

#ifndef KESTRO_CASH_DRAWER_PRINTER_ENUMERATION_H_
#define KESTRO_CASH_DRAWER_PRINTER_ENUMERATION_H_

#include <cstdint>
#include <string>
#include <vector>

#include "cash_drawer/print_spooler.h"
#include "codec/encodable_value.h"

namespace kestro {

// One installed printer. `name` is the spooler's own name for it;
// `driver_name` and `port_name` are empty when the spooler reports none. The
// numbers are those of PrinterRecord.
struct PrinterEntry {
  std::u16string name;
  std::u16string driver_name;
  std::u16string port_name;
  uint32_t status = 0;
  uint32_t attributes = 0;
  uint32_t queued_jobs = 0;
};

// One printer of the list that "listPrinters" answers.
struct ListedPrinter {
  PrinterEntry entry;
  bool is_default = false;
};

// The installed printers in the spooler's order, without sorting or removing
// duplicates; records without a name are left out. Empty when there are none
// or the enumeration fails. When the records outgrow the buffer between the
// sizing call and the reading call, sizes again, three tries in all.
std::vector<PrinterEntry> EnumerateInstalledPrinters(PrintSpooler& spooler);

// The names of the installed printers, in the spooler's order, taken from a
// names-only enumeration: unlike EnumerateInstalledPrinters it asks no print
// server, so an offline server behind a printer connection cannot hold it up.
// Same retries as EnumerateInstalledPrinters.
std::vector<std::u16string> InstalledPrinterNames(PrintSpooler& spooler);

// The user's default printer, or empty when there is none or the query fails
// (retried like the enumeration when the name outgrows its buffer).
std::u16string DefaultPrinterName(PrintSpooler& spooler);

// The printers of BuildPrinterList, in its order: EnumerateInstalledPrinters,
// each marked when its folded name equals the folded default printer name.
std::vector<ListedPrinter> ListInstalledPrinters(PrintSpooler& spooler);

// Each printer as a map with the string keys "name", "driverName", "portName"
// (UTF-8 strings) and "isDefault" (bool), from ListInstalledPrinters.
flutter::ValueList BuildPrinterList(PrintSpooler& spooler);

// A copy with the capital letters A to Z (and only those) made small, which is
// what towlower does in the default locale. The length never changes.
std::u16string FoldCase(const std::u16string& text);

// Whether FoldCase(text) equals `folded`, and whether it holds `folded` as a
// contiguous run of code units; neither makes the folded copy. `folded` is
// compared as it is, so it should be folded already.
bool FoldsTo(const std::u16string& text, const std::u16string& folded);
bool FoldedContains(const std::u16string& text, const std::u16string& folded);

}  // namespace kestro

#endif  // KESTRO_CASH_DRAWER_PRINTER_ENUMERATION_H_
