// The print spooler operations the cash drawer service needs, behind an
// interface of its own so that the enumeration parsing, the printer choice
// and the step logic of the drawer job build and run without Windows.
//
// Each operation is one spooler call (DriverAttributes makes the sizing call
// and the reading call of one query). Operations that can fail return false;
// the caller then reads LastErrorCode() before making any further call, just
// as Windows code reads GetLastError() right after the failing function.
// StartDocument hands its code back itself.

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
// The last-error code for a name no printer bears (ERROR_INVALID_PRINTER_NAME).
inline constexpr uint32_t kInvalidPrinterNameError = 1801;
// The last-error code for a data type the printer's driver does not take
// (ERROR_INVALID_DATATYPE).
inline constexpr uint32_t kInvalidDataTypeError = 1804;

// The last-error code GetJobW gives for a job id the queue does not hold
// (ERROR_INVALID_PARAMETER).
inline constexpr uint32_t kInvalidParameterError = 87;

// The driver attribute bit of an XPS-based printer driver (PRINTER_DRIVER_XPS).
inline constexpr uint32_t kXpsDriverAttribute = 0x00000002;

// The record level of a printer enumeration. Level 4 holds the names only,
// which the local spooler answers without asking the print server behind any
// printer connection; level 2 holds driver and port names too, and asks each
// server for its printer's status, which takes as long as the slowest server
// (tens of seconds when one is offline).
enum class PrinterInfoLevel : uint32_t {
  kNames = 4,    // PRINTER_INFO_4W
  kDetails = 2,  // PRINTER_INFO_2W
};

// The fields of one enumerated printer record that the service reads. A field
// the spooler left null, or that the record's level does not hold, is
// std::nullopt.
struct PrinterRecord {
  std::optional<std::u16string> name;
  std::optional<std::u16string> driver_name;
  std::optional<std::u16string> port_name;
};

// The status bits of a queued job (JOB_STATUS_*), as JOB_INFO_1W carries them.
inline constexpr uint32_t kJobStatusPaused = 0x00000001;
inline constexpr uint32_t kJobStatusError = 0x00000002;
inline constexpr uint32_t kJobStatusDeleting = 0x00000004;
inline constexpr uint32_t kJobStatusSpooling = 0x00000008;
inline constexpr uint32_t kJobStatusPrinting = 0x00000010;
inline constexpr uint32_t kJobStatusOffline = 0x00000020;
inline constexpr uint32_t kJobStatusPaperOut = 0x00000040;
inline constexpr uint32_t kJobStatusPrinted = 0x00000080;
inline constexpr uint32_t kJobStatusDeleted = 0x00000100;
inline constexpr uint32_t kJobStatusBlockedDevQ = 0x00000200;
inline constexpr uint32_t kJobStatusUserIntervention = 0x00000400;
inline constexpr uint32_t kJobStatusRestart = 0x00000800;
inline constexpr uint32_t kJobStatusComplete = 0x00001000;
inline constexpr uint32_t kJobStatusRetained = 0x00002000;

// The fields of one queued job (JOB_INFO_1W) that the service reads. Text
// the spooler left null is empty.
struct JobRecord {
  uint32_t id = 0;
  std::u16string document_name;
  uint32_t status = 0;         // kJobStatus* bits
  std::u16string status_text;  // the port monitor's own words, often empty
  uint32_t position = 0;       // place in the queue, 1 first
  uint32_t total_pages = 0;
  uint32_t pages_printed = 0;
  int64_t submitted_unix_ms = 0;  // when the job was submitted, UTC

  bool operator==(const JobRecord& other) const {
    return id == other.id && document_name == other.document_name && status == other.status &&
           status_text == other.status_text && position == other.position &&
           total_pages == other.total_pages && pages_printed == other.pages_printed &&
           submitted_unix_ms == other.submitted_unix_ms;
  }
};

// A printer opened for one job. Destroying it closes the printer
// (ClosePrinter); every other step is an explicit call.
class OpenedPrinter {
 public:
  virtual ~OpenedPrinter() = default;

  // GetPrinterDriverW at level 8 for the printer's driver: its attributes
  // (dwPrinterDriverAttributes), or std::nullopt when the query fails.
  virtual std::optional<uint32_t> DriverAttributes() = 0;

  // StartDocPrinterW at level 1 with the document name, no output file and
  // the data type: the new job's id, or 0 when the document did not start.
  // On failure `*error_code` receives the last-error code, read right after
  // the call: whatever the caller does next (freeing the strings it passed,
  // for one) may overwrite the thread's code.
  virtual uint32_t StartDocument(const std::u16string& document_name,
                                 const std::u16string& data_type, uint32_t* error_code) = 0;

  // StartPagePrinter.
  virtual bool StartPage() = 0;

  // WritePrinter with all of `bytes`; `*written` receives the count the
  // spooler reports as written.
  virtual bool Write(const std::vector<uint8_t>& bytes, uint32_t* written) = 0;

  // EndPagePrinter and EndDocPrinter; their results change nothing.
  virtual void EndPage() = 0;
  virtual void EndDocument() = 0;

  // AbortPrinter: ends the started document and deletes its spool file, so
  // nothing of it reaches the device. Its result changes nothing.
  virtual void AbortDocument() = 0;

  // GetJobW at level 1 for `job_id`. A job that has left the queue fails with
  // kInvalidParameterError.
  virtual bool ReadJob(uint32_t job_id, JobRecord* job) = 0;

  // SetJobW with JOB_CONTROL_DELETE: withdraws the job from the queue.
  virtual bool DeleteJob(uint32_t job_id) = 0;

  // EnumJobsW at level 1 (its sizing call and its reading call): every job in
  // the printer's queue, first to last.
  virtual bool ReadJobs(std::vector<JobRecord>* jobs) = 0;
};

class PrintSpooler {
 public:
  virtual ~PrintSpooler() = default;

  // The sizing call of EnumPrintersW (local printers and connections at
  // `level`, no buffer): the number of bytes the records need, 0 when there
  // are none.
  virtual uint32_t PrinterRecordBytesNeeded(PrinterInfoLevel level) = 0;

  // The second EnumPrintersW call, at `level` with a zeroed buffer of
  // `buffer_bytes` bytes. On success `*records` holds the returned records in
  // the spooler's order.
  virtual bool ReadPrinterRecords(PrinterInfoLevel level, uint32_t buffer_bytes,
                                  std::vector<PrinterRecord>* records) = 0;

  // The sizing call of GetDefaultPrinterW: the UTF-16 units the default
  // printer's name needs including its NUL, 0 when there is no default.
  virtual uint32_t DefaultPrinterUnitsNeeded() = 0;

  // The second GetDefaultPrinterW call, with a zeroed buffer of `buffer_units`
  // units. On success `*name` holds the text up to the first NUL.
  virtual bool ReadDefaultPrinterName(uint32_t buffer_units, std::u16string* name) = 0;

  // OpenPrinterW with no printer defaults; null when it fails. A name holding
  // a NUL names no printer and fails with kInvalidPrinterNameError (Windows
  // would open the name up to the NUL).
  virtual std::unique_ptr<OpenedPrinter> OpenNamedPrinter(const std::u16string& name) = 0;

  // The calling thread's last-error code now.
  virtual uint32_t LastErrorCode() = 0;
};

}  // namespace kestro

#endif  // KESTRO_CASH_DRAWER_PRINT_SPOOLER_H_
