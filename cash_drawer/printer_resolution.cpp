#include "cash_drawer/printer_resolution.h"

#include <algorithm>
#include <optional>
#include <utility>
#include <vector>

#include "cash_drawer/printer_enumeration.h"

namespace kestro {
namespace {

// The first installed name for which `matches(name, folded)` holds.
std::optional<std::u16string> FirstFoldedMatch(const std::vector<std::u16string>& installed,
                                               const std::u16string& folded,
                                               bool (*matches)(const std::u16string&,
                                                               const std::u16string&)) {
  auto found = std::find_if(installed.begin(), installed.end(),
                            [&](const std::u16string& name) { return matches(name, folded); });
  if (found == installed.end()) return std::nullopt;
  return *found;
}

}  // namespace

PrinterChoice ChoosePrinter(const std::u16string& printer_name, const std::u16string& model_hint,
                            PrintSpooler& spooler) {
  const std::vector<std::u16string> installed = InstalledPrinterNames(spooler);
  if (!printer_name.empty()) {
    auto exact = FirstFoldedMatch(installed, FoldCase(printer_name), FoldsTo);
    if (exact) return {std::move(*exact), PrinterRule::kInstalledName};
  }
  if (!model_hint.empty()) {
    auto hinted = FirstFoldedMatch(installed, FoldCase(model_hint), FoldedContains);
    if (hinted) return {std::move(*hinted), PrinterRule::kModelHint};
  }
  if (!printer_name.empty()) return {printer_name, PrinterRule::kUnmatchedName};
  return {DefaultPrinterName(spooler), PrinterRule::kDefaultPrinter};
}

std::u16string ResolvePrinterName(const std::u16string& printer_name,
                                  const std::u16string& model_hint, PrintSpooler& spooler) {
  return ChoosePrinter(printer_name, model_hint, spooler).name;
}

}  // namespace kestro
