// The choice of the printer that a drawer job opens.

#ifndef KESTRO_CASH_DRAWER_PRINTER_RESOLUTION_H_
#define KESTRO_CASH_DRAWER_PRINTER_RESOLUTION_H_

#include <string>

#include "cash_drawer/print_spooler.h"

namespace kestro {

// The rules that choose the printer, in the order they are tried.
enum class PrinterRule {
  kInstalledName,   // 1. an installed printer bears the given name, ignoring case
  kModelHint,       // 2. the first installed printer whose name holds the hint
  kUnmatchedName,   // 3. the given name, which no installed printer bears
  kDefaultPrinter,  // 4. the default printer (empty when there is none)
};

// The printer chosen and the rule that chose it.
struct PrinterChoice {
  std::u16string name;
  PrinterRule rule = PrinterRule::kDefaultPrinter;
};

// The printer to open, by the first rule that gives one:
//   1. an installed printer whose name equals `printer_name` ignoring the case
//      of A to Z, in the installed letter case;
//   2. the first installed printer whose name contains `model_hint`, ignoring
//      the same case;
//   3. `printer_name` itself, unchanged, when it is not empty;
//   4. the default printer as the spooler names it, or empty.
// Rules 1 and 2 skip an empty argument; among several matches the earliest
// in enumeration order wins. Enumerates once per call; asks for the default
// printer only in rule 4.
PrinterChoice ChoosePrinter(const std::u16string& printer_name, const std::u16string& model_hint,
                            PrintSpooler& spooler);

// ChoosePrinter's name alone.
std::u16string ResolvePrinterName(const std::u16string& printer_name,
                                  const std::u16string& model_hint, PrintSpooler& spooler);

}  // namespace kestro

#endif  // KESTRO_CASH_DRAWER_PRINTER_RESOLUTION_H_
