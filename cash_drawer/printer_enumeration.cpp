#include "cash_drawer/printer_enumeration.h"

#include <cstdint>
#include <optional>
#include <utility>

#include "cash_drawer/text_conversion.h"

namespace kestro {
namespace {

// A second call that finds its buffer too small is sized again and retried,
// this many calls in all.
constexpr int kReadAttempts = 3;

// Runs the sizing call and the reading call of one spooler query, retrying
// when the answer outgrew the buffer in between. Returns std::nullopt when
// there is nothing (size 0) or the reading call fails for good.
template <typename Result>
std::optional<Result> SizeAndRead(PrintSpooler& spooler, uint32_t (PrintSpooler::*size)(),
                                  bool (PrintSpooler::*read)(uint32_t, Result*)) {
  for (int attempt = 0; attempt < kReadAttempts; ++attempt) {
    const uint32_t needed = (spooler.*size)();
    if (needed == 0) return std::nullopt;
    Result result;
    if ((spooler.*read)(needed, &result)) return result;
    if (spooler.LastErrorCode() != kInsufficientBufferError) return std::nullopt;
  }
  return std::nullopt;
}

std::u16string TextOrEmpty(const std::optional<std::u16string>& field) {
  return field.value_or(std::u16string());
}

flutter::EncodableValue PrinterMap(const PrinterEntry& entry, bool is_default) {
  return flutter::ValueMap{
      {"name", ToUtf8String(entry.name)},
      {"driverName", ToUtf8String(entry.driver_name)},
      {"portName", ToUtf8String(entry.port_name)},
      {"isDefault", is_default},
  };
}

}  // namespace

std::vector<PrinterEntry> EnumerateInstalledPrinters(PrintSpooler& spooler) {
  const std::optional<std::vector<PrinterRecord>> records = SizeAndRead(
      spooler, &PrintSpooler::PrinterRecordBytesNeeded, &PrintSpooler::ReadPrinterRecords);
  std::vector<PrinterEntry> entries;
  if (!records) return entries;
  for (const PrinterRecord& record : *records) {
    if (!record.name) continue;
    entries.push_back(
        {*record.name, TextOrEmpty(record.driver_name), TextOrEmpty(record.port_name)});
  }
  return entries;
}

std::vector<std::u16string> InstalledPrinterNames(PrintSpooler& spooler) {
  std::vector<std::u16string> names;
  for (PrinterEntry& entry : EnumerateInstalledPrinters(spooler)) {
    names.push_back(std::move(entry.name));
  }
  return names;
}

std::u16string DefaultPrinterName(PrintSpooler& spooler) {
  return SizeAndRead(spooler, &PrintSpooler::DefaultPrinterUnitsNeeded,
                     &PrintSpooler::ReadDefaultPrinterName)
      .value_or(std::u16string());
}

flutter::ValueList BuildPrinterList(PrintSpooler& spooler) {
  const std::u16string folded_default = FoldCase(DefaultPrinterName(spooler));
  flutter::ValueList list;
  for (const PrinterEntry& entry : EnumerateInstalledPrinters(spooler)) {
    const bool is_default = !folded_default.empty() && FoldCase(entry.name) == folded_default;
    list.push_back(PrinterMap(entry, is_default));
  }
  return list;
}

std::u16string FoldCase(const std::u16string& text) {
  std::u16string folded = text;
  for (char16_t& unit : folded) {
    if (unit >= u'A' && unit <= u'Z') unit = static_cast<char16_t>(unit - u'A' + u'a');
  }
  return folded;
}

}  // namespace kestro
