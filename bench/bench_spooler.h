// A lean print spooler for timing the host's own part of a cash drawer call:
// five installed printers, the default one, and jobs that always succeed. It
// keeps no log; it remembers only the last job's printer and bytes, in room
// made once, so that a benchmark can check what the host sent without
// paying for a record of every call.
//
// Its records are copies, as the Windows spooler adapter makes them from the
// spooler's buffer; everything else costs next to nothing.

#ifndef KESTRO_BENCH_BENCH_SPOOLER_H_
#define KESTRO_BENCH_BENCH_SPOOLER_H_

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "cash_drawer/print_spooler.h"

namespace kestro::bench {

struct BenchPrinter {
  const char* name;
  const char* driver_name;
  const char* port_name;
};

// The printers of a typical till, in the spooler's order. The default is not
// the receipt printer, so "openDrawer" finds its printer by name.
inline constexpr BenchPrinter kBenchPrinters[] = {
    {"Microsoft Print to PDF", "Microsoft Print To PDF", "PORTPROMPT:"},
    {"Office Laser", "HP Universal Printing PCL 6", "IP_192.168.1.20"},
    {"Receipt Printer", "EPSON TM-T20III Receipt", "USB001"},
    {"Kitchen Printer", "Generic / Text Only", "USB002"},
    {"Label Printer", "ZDesigner GK420d", "USB003"},
};
inline constexpr char kBenchDefaultPrinter[] = "Office Laser";

class BenchSpooler : public PrintSpooler {
 public:
  // A spooler holding kBenchPrinters, with kBenchDefaultPrinter as default.
  BenchSpooler();

  // The printer the last job opened, and the bytes it wrote; empty before
  // the first job.
  const std::u16string& last_opened() const { return last_opened_; }
  std::vector<uint8_t> last_written() const;
  // Printers opened and not closed yet.
  int open_printers() const { return open_printers_; }

  uint32_t PrinterRecordBytesNeeded(PrinterInfoLevel level) override;
  bool ReadPrinterRecords(PrinterInfoLevel level, uint32_t buffer_bytes,
                          std::vector<PrinterRecord>* records) override;
  uint32_t DefaultPrinterUnitsNeeded() override;
  bool ReadDefaultPrinterName(uint32_t buffer_units, std::u16string* name) override;
  std::unique_ptr<OpenedPrinter> OpenNamedPrinter(const std::u16string& name) override;
  // The same printer: the benchmark has no print server behind it.
  std::unique_ptr<OpenedPrinter> OpenUncachedPrinter(const std::u16string& name) override {
    return OpenNamedPrinter(name);
  }
  uint32_t LastErrorCode() override { return last_error_; }

 private:
  class Printer;

  std::vector<PrinterRecord> details_;
  std::vector<PrinterRecord> names_;
  std::u16string default_printer_;
  std::u16string last_opened_;
  uint8_t written_[16] = {};
  size_t written_size_ = 0;
  int open_printers_ = 0;
  uint32_t last_error_ = 0;
};

}  // namespace kestro::bench

#endif  // KESTRO_BENCH_BENCH_SPOOLER_H_
