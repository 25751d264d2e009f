#include "cash_drawer/printer_resolution.h"

#include <algorithm>
#include <optional>
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

std::u16string ResolvePrinterName(const std::u16string& printer_name,
                                  const std::u16string& model_hint, PrintSpooler& spooler) {
  const std::vector<std::u16string> installed = InstalledPrinterNames(spooler);
  if (!printer_name.empty()) {
    auto exact = FirstFoldedMatch(installed, FoldCase(printer_name), FoldsTo);
    if (exact) return *exact;
  }
  if (!model_hint.empty()) {
    auto hinted = FirstFoldedMatch(installed, FoldCase(model_hint), FoldedContains);
    if (hinted) return *hinted;
  }
  if (!printer_name.empty()) return printer_name;
  return DefaultPrinterName(spooler);
}

}  // namespace kestro
