// The Windows print spooler (winspool) behind the PrintSpooler interface.

#ifndef KESTRO_CASH_DRAWER_SYSTEM_PRINT_SPOOLER_WIN_H_
#define KESTRO_CASH_DRAWER_SYSTEM_PRINT_SPOOLER_WIN_H_

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "cash_drawer/print_spooler.h"

namespace kestro {

// Holds no state: every operation is one spooler call made on the calling
// thread, which also owns the last-error code that LastErrorCode() reads.
// The queries that fill a buffer (GetJobW, EnumJobsW, GetPrinterW,
// GetPrinterDriverW) make their reading call again when the answer grew
// after the sizing call (sized_read.h).
class SystemPrintSpooler : public PrintSpooler {
 public:
  uint32_t PrinterRecordBytesNeeded(PrinterInfoLevel level) override;
  bool ReadPrinterRecords(PrinterInfoLevel level, uint32_t buffer_bytes,
                          std::vector<PrinterRecord>* records) override;
  uint32_t DefaultPrinterUnitsNeeded() override;
  bool ReadDefaultPrinterName(uint32_t buffer_units, std::u16string* name) override;
  std::unique_ptr<OpenedPrinter> OpenNamedPrinter(const std::u16string& name) override;
  std::unique_ptr<OpenedPrinter> OpenUncachedPrinter(const std::u16string& name) override;
  uint32_t LastErrorCode() override;
};

}  // namespace kestro

#endif  // KESTRO_CASH_DRAWER_SYSTEM_PRINT_SPOOLER_WIN_H_
