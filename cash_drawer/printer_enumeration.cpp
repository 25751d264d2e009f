#include "cash_drawer/printer_enumeration.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <utility>

#include "cash_drawer/text_conversion.h"

namespace kestro {
namespace {

// A second call that finds its buffer too small is sized again and retried,
// this many calls in all.
constexpr int kReadAttempts = 3;

// Runs the sizing call `size()` and the reading call `read(size, &result)` of
// one spooler query, retrying when the answer outgrew the buffer in between.
// Returns std::nullopt when there is nothing (size 0) or the reading call
// fails for good.
template <typename Result, typename Size, typename Read>
std::optional<Result> SizeAndRead(PrintSpooler& spooler, Size size, Read read) {
  for (int attempt = 0; attempt < kReadAttempts; ++attempt) {
    const uint32_t needed = size();
    if (needed == 0) return std::nullopt;
    Result result;
    if (read(needed, &result)) return result;
    if (spooler.LastErrorCode() != kInsufficientBufferError) return std::nullopt;
  }
  return std::nullopt;
}

// The printer records at `level`, in the spooler's order; empty when there
// are none or the enumeration fails.
std::vector<PrinterRecord> EnumeratePrinterRecords(PrintSpooler& spooler, PrinterInfoLevel level) {
  return SizeAndRead<std::vector<PrinterRecord>>(
             spooler, [&] { return spooler.PrinterRecordBytesNeeded(level); },
             [&](uint32_t bytes, std::vector<PrinterRecord>* records) {
               return spooler.ReadPrinterRecords(level, bytes, records);
             })
      .value_or(std::vector<PrinterRecord>());
}

// Moves the text out of a field that the record no longer needs.
std::u16string TakeTextOrEmpty(std::optional<std::u16string>& field) {
  return field ? std::move(*field) : std::u16string();
}

char16_t FoldUnit(char16_t unit) {
  return unit >= u'A' && unit <= u'Z' ? static_cast<char16_t>(unit - u'A' + u'a') : unit;
}

bool FoldedUnitsEqual(char16_t unit, char16_t folded) { return FoldUnit(unit) == folded; }

// Entries are placed one by one, since a braced list would copy every string,
// and in the map's own key order, each at the end, so that no entry searches
// for its place.
flutter::EncodableValue PrinterMap(const PrinterEntry& entry, bool is_default) {
  flutter::ValueMap map;
  map.emplace_hint(map.end(), "driverName", ToUtf8String(entry.driver_name));
  map.emplace_hint(map.end(), "isDefault", is_default);
  map.emplace_hint(map.end(), "name", ToUtf8String(entry.name));
  map.emplace_hint(map.end(), "portName", ToUtf8String(entry.port_name));
  return flutter::EncodableValue(std::move(map));
}

}  // namespace

std::vector<PrinterEntry> EnumerateInstalledPrinters(PrintSpooler& spooler) {
  std::vector<PrinterRecord> records = EnumeratePrinterRecords(spooler, PrinterInfoLevel::kDetails);
  std::vector<PrinterEntry> entries;
  entries.reserve(records.size());
  for (PrinterRecord& record : records) {
    if (!record.name) continue;
    entries.push_back({std::move(*record.name), TakeTextOrEmpty(record.driver_name),
                       TakeTextOrEmpty(record.port_name), record.status, record.attributes,
                       record.queued_jobs});
  }
  return entries;
}

std::vector<std::u16string> InstalledPrinterNames(PrintSpooler& spooler) {
  std::vector<PrinterRecord> records = EnumeratePrinterRecords(spooler, PrinterInfoLevel::kNames);
  std::vector<std::u16string> names;
  names.reserve(records.size());
  for (PrinterRecord& record : records) {
    if (record.name) names.push_back(std::move(*record.name));
  }
  return names;
}

std::u16string DefaultPrinterName(PrintSpooler& spooler) {
  return SizeAndRead<std::u16string>(
             spooler, [&] { return spooler.DefaultPrinterUnitsNeeded(); },
             [&](uint32_t units, std::u16string* name) {
               return spooler.ReadDefaultPrinterName(units, name);
             })
      .value_or(std::u16string());
}

std::vector<ListedPrinter> ListInstalledPrinters(PrintSpooler& spooler) {
  const std::u16string folded_default = FoldCase(DefaultPrinterName(spooler));
  std::vector<PrinterEntry> entries = EnumerateInstalledPrinters(spooler);
  std::vector<ListedPrinter> printers;
  printers.reserve(entries.size());
  for (PrinterEntry& entry : entries) {
    const bool is_default = !folded_default.empty() && FoldsTo(entry.name, folded_default);
    printers.push_back({std::move(entry), is_default});
  }
  return printers;
}

flutter::ValueList BuildPrinterList(PrintSpooler& spooler) {
  const std::vector<ListedPrinter> printers = ListInstalledPrinters(spooler);
  flutter::ValueList list;
  list.reserve(printers.size());
  for (const ListedPrinter& printer : printers) {
    list.push_back(PrinterMap(printer.entry, printer.is_default));
  }
  return list;
}

std::u16string FoldCase(const std::u16string& text) {
  std::u16string folded = text;
  for (char16_t& unit : folded) unit = FoldUnit(unit);
  return folded;
}

bool FoldsTo(const std::u16string& text, const std::u16string& folded) {
  return text.size() == folded.size() &&
         std::equal(text.begin(), text.end(), folded.begin(), FoldedUnitsEqual);
}

bool FoldedContains(const std::u16string& text, const std::u16string& folded) {
  // An empty run is found anywhere, also in empty text, where std::search's
  // answer could not tell it from no match.
  return folded.empty() || std::search(text.begin(), text.end(), folded.begin(), folded.end(),
                                       FoldedUnitsEqual) != text.end();
}

}  // namespace kestro
