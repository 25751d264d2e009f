// The print spooler operations the cash drawer service needs, behind an
// interface of its own so that the enumeration parsing, the printer choice
// and the step logic of the drawer job build and run without Windows.
//
// Each operation is one spooler call. Operations that can fail return false;
// the caller then reads LastErrorCode() before making any further call, just
// as Windows code reads GetLastError() right after the failing function.

#ifndef KESTRO_CASH_DRAWER_PRINT_SPOOLER_H_
#define KESTRO_CASH_DRAWER_PRINT_SPOOLER_H_

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace kestro {

// The last-error code for a buffer that was too small (ERROR_INSUFFICIENT_BUFFER).
inline constexpr uint32_t kInsufficientBufferError = 122;

// The three fields of one enumerated printer record (PRINTER_INFO_2W) that the
// service reads. A field the spooler left null is std::nullopt.
struct PrinterRecord {
  std::optional<std::u16string> name;
  std::optional<std::u16string> driver_name;
  std::optional<std::u16string> port_name;
};

// A printer opened for one job. Destroying it closes the printer
// (ClosePrinter); every other step is an explicit call.
class OpenedPrinter {
 public:
  virtual ~OpenedPrinter() = default;

  // StartDocPrinterW at level 1 with the document name, no output file and
  // the data type.
  virtual bool StartDocument(const std::u16string& document_name,
                             const std::u16string& data_type) = 0;

  // StartPagePrinter.
  virtual bool StartPage() = 0;

  // WritePrinter with all of `bytes`; `*written` receives the count the
  // spooler reports as written.
  virtual bool Write(const std::vector<uint8_t>& bytes, uint32_t* written) = 0;

  // EndPagePrinter and EndDocPrinter; their results change nothing.
  virtual void EndPage() = 0;
  virtual void EndDocument() = 0;
};

class PrintSpooler {
 public:
  virtual ~PrintSpooler() = default;

  // The sizing call of EnumPrintersW (local printers and connections, level 2,
  // no buffer): the number of bytes the records need, 0 when there are none.
  virtual uint32_t PrinterRecordBytesNeeded() = 0;

  // The second EnumPrintersW call, with a zeroed buffer of `buffer_bytes`
  // bytes. On success `*records` holds the returned records in the spooler's
  // order.
  virtual bool ReadPrinterRecords(uint32_t buffer_bytes, std::vector<PrinterRecord>* records) = 0;

  // The sizing call of GetDefaultPrinterW: the UTF-16 units the default
  // printer's name needs including its NUL, 0 when there is no default.
  virtual uint32_t DefaultPrinterUnitsNeeded() = 0;

  // The second GetDefaultPrinterW call, with a zeroed buffer of `buffer_units`
  // units. On success `*name` holds the text up to the first NUL.
  virtual bool ReadDefaultPrinterName(uint32_t buffer_units, std::u16string* name) = 0;

  // OpenPrinterW with no printer defaults; null when it fails.
  virtual std::unique_ptr<OpenedPrinter> OpenNamedPrinter(const std::u16string& name) = 0;

  // The calling thread's last-error code now.
  virtual uint32_t LastErrorCode() = 0;
};

}  // namespace kestro

#endif  // KESTRO_CASH_DRAWER_PRINT_SPOOLER_H_
