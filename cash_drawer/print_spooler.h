// The print spooler operations the cash drawer service needs, behind an
// interface of its own so that the enumeration parsing, the printer choice
// and the step logic of the drawer job build and run without Windows.
//
// Each operation is one spooler call (DriverAttributes makes the sizing call
// and the reading call of one query). Operations that can fail return false;
// the caller then reads LastErrorCode() before making any further call, just
// as Windows code reads GetLastError() right after the failing function.
// StartDocument hands its code back itself.
//
// A handle opened by a shared printer's name ("\\server\queue") reads the
// job states through the local spooler's cache, which Microsoft documents as
// not real-time accurate: a job can read as gone while the server still
// holds it. Whatever watches, lists or withdraws jobs opens such a printer
// with OpenUncachedPrinter (see printer_opening.h). A handle goes stale when
// the spooler service restarts: every call on it then fails with
// kInvalidHandleError, and only a new handle works.

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
// The last-error code of a call on a handle that is no longer valid, as every
// printer handle becomes when the spooler service restarts (ERROR_INVALID_HANDLE).
inline constexpr uint32_t kInvalidHandleError = 6;
// The last-error code of a function this Windows does not have, as the
// delay-load hook gives it (ERROR_PROC_NOT_FOUND).
inline constexpr uint32_t kProcNotFoundError = 127;
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

// The status bits of a printer (PRINTER_STATUS_*), as PRINTER_INFO_2W carries
// them. They are what the spooler last heard from the port monitor, which
// many monitors never update: a printer can be shown offline while it prints,
// and ready while it is switched off.
inline constexpr uint32_t kPrinterStatusPaused = 0x00000001;
inline constexpr uint32_t kPrinterStatusError = 0x00000002;
inline constexpr uint32_t kPrinterStatusPendingDeletion = 0x00000004;
inline constexpr uint32_t kPrinterStatusPaperJam = 0x00000008;
inline constexpr uint32_t kPrinterStatusPaperOut = 0x00000010;
inline constexpr uint32_t kPrinterStatusManualFeed = 0x00000020;
inline constexpr uint32_t kPrinterStatusPaperProblem = 0x00000040;
inline constexpr uint32_t kPrinterStatusOffline = 0x00000080;
inline constexpr uint32_t kPrinterStatusIoActive = 0x00000100;
inline constexpr uint32_t kPrinterStatusBusy = 0x00000200;
inline constexpr uint32_t kPrinterStatusPrinting = 0x00000400;
inline constexpr uint32_t kPrinterStatusOutputBinFull = 0x00000800;
inline constexpr uint32_t kPrinterStatusNotAvailable = 0x00001000;
inline constexpr uint32_t kPrinterStatusWaiting = 0x00002000;
inline constexpr uint32_t kPrinterStatusProcessing = 0x00004000;
inline constexpr uint32_t kPrinterStatusInitializing = 0x00008000;
inline constexpr uint32_t kPrinterStatusWarmingUp = 0x00010000;
inline constexpr uint32_t kPrinterStatusTonerLow = 0x00020000;
inline constexpr uint32_t kPrinterStatusNoToner = 0x00040000;
inline constexpr uint32_t kPrinterStatusPagePunt = 0x00080000;
inline constexpr uint32_t kPrinterStatusUserIntervention = 0x00100000;
inline constexpr uint32_t kPrinterStatusOutOfMemory = 0x00200000;
inline constexpr uint32_t kPrinterStatusDoorOpen = 0x00400000;
inline constexpr uint32_t kPrinterStatusServerUnknown = 0x00800000;
inline constexpr uint32_t kPrinterStatusPowerSave = 0x01000000;
inline constexpr uint32_t kPrinterStatusServerOffline = 0x02000000;
inline constexpr uint32_t kPrinterStatusDriverUpdateNeeded = 0x04000000;

// The printer attribute set by "Use Printer Offline" (PRINTER_ATTRIBUTE_WORK_OFFLINE):
// the spooler keeps every job queued and sends none to the device.
inline constexpr uint32_t kPrinterAttributeWorkOffline = 0x00000400;
// The printer attribute of a queue that does not spool ("Print directly to
// the printer", PRINTER_ATTRIBUTE_DIRECT): WritePrinter hands the bytes to
// the port at once, and AbortPrinter can take none of them back.
inline constexpr uint32_t kPrinterAttributeDirect = 0x00000002;

// The fields of one enumerated printer record that the service reads. A text
// field the spooler left null, or that the record's level does not hold, is
// std::nullopt; the numbers are held by level 2 only, and are 0 at level 4.
struct PrinterRecord {
  std::optional<std::u16string> name;
  std::optional<std::u16string> driver_name;
  std::optional<std::u16string> port_name;
  uint32_t status = 0;       // kPrinterStatus* bits
  uint32_t attributes = 0;   // PRINTER_ATTRIBUTE_* bits
  uint32_t queued_jobs = 0;  // the jobs in the printer's queue (cJobs)
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

  // GetPrinterW at level 2: the printer's attributes (PRINTER_ATTRIBUTE_*
  // bits, kPrinterAttributeDirect among them), or std::nullopt when the query
  // fails.
  virtual std::optional<uint32_t> Attributes() = 0;

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
  // nothing of it reaches the device. On a queue that does not spool
  // (kPrinterAttributeDirect) it does nothing: what was written has gone to
  // the port. Its result changes nothing.
  virtual void AbortDocument() = 0;

  // GetJobW at level 1 for `job_id` (its sizing call and its reading call). A
  // job that has left the queue fails with kInvalidParameterError.
  virtual bool ReadJob(uint32_t job_id, JobRecord* job) = 0;

  // SetJobW with JOB_CONTROL_DELETE: withdraws the job from the queue. A job
  // that is printing is only marked kJobStatusDeleting: the bytes the port
  // already has may still reach the device, and the job leaves the queue when
  // the port is done with it, or never.
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

  // OpenPrinter2W with no printer defaults and PRINTER_OPTION_NO_CACHE: a
  // handle whose job states come from the print server itself, not from the
  // local cache of a shared printer. Null when it fails; where Windows lacks
  // OpenPrinter2W it fails with kProcNotFoundError.
  virtual std::unique_ptr<OpenedPrinter> OpenUncachedPrinter(const std::u16string& name) = 0;

  // The calling thread's last-error code now.
  virtual uint32_t LastErrorCode() = 0;
};

}  // namespace kestro

#endif  // KESTRO_CASH_DRAWER_PRINT_SPOOLER_H_
