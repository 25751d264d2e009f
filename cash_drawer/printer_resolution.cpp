#include "cash_drawer/printer_resolution.h"

#include <algorithm>
#include <functional>
#include <optional>
#include <vector>

#include "cash_drawer/printer_enumeration.h"

namespace kestro {
namespace {

// The first installed name whose folded form satisfies `matches`.
std::optional<std::u16string> FirstFoldedMatch(
    const std::vector<std::u16string>& installed,
    const std::function<bool(const std::u16string&)>& matches) {
  auto found = std::find_if(installed.begin(), installed.end(),
                            [&](const std::u16string& name) { return matches(FoldCase(name)); });
  if (found == installed.end()) return std::nullopt;
  return *found;
}

}  // namespace

std::u16string ResolvePrinterName(const std::u16string& printer_name,
                                  const std::u16string& model_hint, PrintSpooler& spooler) {
  const std::vector<std::u16string> installed = InstalledPrinterNames(spooler);
  if (!printer_name.empty()) {
    const std::u16string wanted = FoldCase(printer_name);
    auto exact =
        FirstFoldedMatch(installed, [&](const std::u16string& folded) { return folded == wanted; });
    if (exact) return *exact;
  }
  if (!model_hint.empty()) {
    const std::u16string hint = FoldCase(model_hint);
    auto hinted = FirstFoldedMatch(installed, [&](const std::u16string& folded) {
      return folded.find(hint) != std::u16string::npos;
    });
    if (hinted) return *hinted;
  }
  if (!printer_name.empty()) return printer_name;
  return DefaultPrinterName(spooler);
}

}  // namespace kestro
