#include "bench/bench_spooler.h"

#include <algorithm>

namespace kestro::bench {
namespace {

// The printer names are ASCII, so widening each byte is the UTF-16 text.
std::u16string Wide(const char* text) {
  const std::string narrow(text);
  return std::u16string(narrow.begin(), narrow.end());
}

// What the buffer of a sizing call would need; any nonzero size will do, as
// the double fills no buffer.
uint32_t BytesFor(const std::vector<PrinterRecord>& records) {
  return static_cast<uint32_t>(records.size() * 256);
}

}  // namespace

class BenchSpooler::Printer : public OpenedPrinter {
 public:
  explicit Printer(BenchSpooler* spooler) : spooler_(spooler) { ++spooler_->open_printers_; }
  ~Printer() override { --spooler_->open_printers_; }

  std::optional<uint32_t> DriverAttributes() override { return 0; }
  std::optional<uint32_t> Attributes() override { return 0; }
  uint32_t StartDocument(const std::u16string&, const std::u16string&, uint32_t*) override {
    return 1;
  }
  bool StartPage() override { return true; }
  bool Write(const std::vector<uint8_t>& bytes, uint32_t* written) override {
    spooler_->written_size_ = std::min(bytes.size(), sizeof(spooler_->written_));
    std::copy_n(bytes.begin(), spooler_->written_size_, spooler_->written_);
    *written = static_cast<uint32_t>(bytes.size());
    return true;
  }
  void EndPage() override {}
  void EndDocument() override {}
  void AbortDocument() override {}
  bool ReadJob(uint32_t, JobRecord*) override { return false; }
  bool DeleteJob(uint32_t) override { return false; }
  bool ReadJobs(std::vector<JobRecord>*) override { return false; }

 private:
  BenchSpooler* spooler_;
};

BenchSpooler::BenchSpooler() : default_printer_(Wide(kBenchDefaultPrinter)) {
  for (const BenchPrinter& printer : kBenchPrinters) {
    details_.push_back({Wide(printer.name), Wide(printer.driver_name), Wide(printer.port_name)});
    names_.push_back({Wide(printer.name), std::nullopt, std::nullopt});
  }
}

std::vector<uint8_t> BenchSpooler::last_written() const {
  return std::vector<uint8_t>(written_, written_ + written_size_);
}

uint32_t BenchSpooler::PrinterRecordBytesNeeded(PrinterInfoLevel level) {
  return BytesFor(level == PrinterInfoLevel::kNames ? names_ : details_);
}

bool BenchSpooler::ReadPrinterRecords(PrinterInfoLevel level, uint32_t,
                                      std::vector<PrinterRecord>* records) {
  *records = level == PrinterInfoLevel::kNames ? names_ : details_;
  return true;
}

uint32_t BenchSpooler::DefaultPrinterUnitsNeeded() {
  return static_cast<uint32_t>(default_printer_.size() + 1);
}

bool BenchSpooler::ReadDefaultPrinterName(uint32_t, std::u16string* name) {
  *name = default_printer_;
  return true;
}

std::unique_ptr<OpenedPrinter> BenchSpooler::OpenNamedPrinter(const std::u16string& name) {
  const bool installed = std::any_of(names_.begin(), names_.end(),
                                     [&](const PrinterRecord& r) { return *r.name == name; });
  if (!installed) {
    last_error_ = kInvalidPrinterNameError;
    return nullptr;
  }
  last_opened_ = name;
  return std::make_unique<Printer>(this);
}

}  // namespace kestro::bench
