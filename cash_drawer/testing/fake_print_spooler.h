// A print spooler for tests: it holds a set of printers and a default printer,
// records every call in order, and fails any step on request with any
// last-error code. Every printer has the same driver.
//
// Its queue behaves as Microsoft documents Windows's: a job stays queued
// after EndDocPrinter, and a table row scripts the rest of its life by the
// test's clock (spooling, printing, printed, gone; or kept with the printed
// and retained marks). SetJobW withdraws a job that is not printing at once,
// and only marks a printing one deleting. A shared printer ("\\server\queue")
// opened through the cache may answer from a stale copy of the queue; a
// queue that does not spool ignores AbortPrinter; a spooler service restart
// leaves every handle opened before it failing with kInvalidHandleError.
//
// Its operations may be called from several threads: each takes the fake's
// lock, and the last-error code is kept per thread, as Windows keeps it.
// Tests change its fields and read its log only while no other thread calls
// it (or from a hook, which runs under the lock).

#ifndef KESTRO_CASH_DRAWER_TESTING_FAKE_PRINT_SPOOLER_H_
#define KESTRO_CASH_DRAWER_TESTING_FAKE_PRINT_SPOOLER_H_

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "cash_drawer/print_spooler.h"

namespace kestro_testing {

class FakePrintSpooler : public kestro::PrintSpooler {
 public:
  // The calls that can be made to fail, each named after its Windows function.
  enum class Step {
    kReadPrinterRecords,      // the second EnumPrintersW, at either level
    kReadDefaultPrinterName,  // the second GetDefaultPrinterW
    kOpenPrinter,             // OpenPrinterW
    kOpenUncached,            // OpenPrinter2W(PRINTER_OPTION_NO_CACHE)
    kGetPrinterDriver,        // GetPrinterDriverW
    kGetPrinter,              // GetPrinterW
    kStartDocument,           // StartDocPrinterW, whatever the data type
    kStartPage,               // StartPagePrinter
    kWrite,                   // WritePrinter
    kReadJob,                 // GetJobW
    kDeleteJob,               // SetJobW(JOB_CONTROL_DELETE)
    kReadJobs,                // EnumJobsW
  };

  // The most calls one test may make: a watch that never ends would grow the
  // log without bound, so the call past it ends the test program at once,
  // saying so.
  static constexpr size_t kMostCalls = 100000;

  // A job's state from a time on (the `now_ms` clock). A status of kJobGone
  // takes it out of the queue; an empty document name leaves the name as it
  // was.
  static constexpr uint32_t kJobGone = 0xFFFFFFFF;
  struct JobPhase {
    int64_t from_ms;
    uint32_t status;
    std::u16string status_text = u"";
    std::u16string document_name = u"";
  };
  using JobLife = std::vector<JobPhase>;

  // Bytes a record takes in the fake's buffer, besides its strings, at level
  // 2 and at level 4.
  static constexpr uint32_t kDetailsRecordBytes = 136;
  static constexpr uint32_t kNamesRecordBytes = 24;

  // The enumerated records, in order, as level 2 gives them; level 4 gives
  // their names only. Null fields are allowed. GetPrinterW gives the
  // attributes of the record bearing the opened name (0 for a name opened
  // through `openable_names` alone); kPrinterAttributeDirect makes that
  // printer's AbortPrinter do nothing.
  std::vector<kestro::PrinterRecord> printers;
  // The default printer's name; empty when there is none.
  std::u16string default_printer;
  // The names OpenNamedPrinter accepts; when unset, those in `printers`.
  std::optional<std::vector<std::u16string>> openable_names;
  // The driver's attributes, as GetPrinterDriverW reports them; 0 is a
  // classic driver, kXpsDriverAttribute marks an XPS-based one.
  uint32_t driver_attributes = 0;
  // The data types StartDocPrinterW refuses, each with the last-error code it
  // fails with.
  std::map<std::u16string, uint32_t> refused_data_types;

  // The queue: every job not yet printed or withdrawn, first to last, shared
  // by all printers. A started document joins it as the next id with
  // kJobStatusSpooling, which EndDocPrinter clears; AbortPrinter (on a
  // spooling queue) removes the job, and so does SetJobW unless the job is
  // printing, which it marks kJobStatusDeleting instead. Tests script a job's
  // life with `job_lives`, or by changing the queue, also from
  // `before_read_job`.
  std::vector<kestro::JobRecord> queue;
  // The id the next started document gets.
  uint32_t next_job_id = 1;
  // The life of the job with each id, played by `now_ms` before every
  // GetJobW, SetJobW and EnumJobsW: the job takes the last phase begun. A job
  // marked deleting keeps that mark through the phases after it.
  std::map<uint32_t, JobLife> job_lives;
  // The test's clock, for the lives and the service restart; none: 0.
  std::function<int64_t()> now_ms;
  // What GetJobW and EnumJobsW read on a shared printer opened through the
  // cache (OpenPrinterW on a "\\server\queue" name): a stale copy of the
  // queue that never changes. Unset, such handles read the queue itself.
  // Handles opened with OpenPrinter2W always read the queue itself.
  std::optional<std::vector<kestro::JobRecord>> server_cache;
  // When the spooler service restarts (on `now_ms`): every handle opened
  // before then fails each call with kInvalidHandleError from then on.
  std::optional<int64_t> service_restart_ms;
  // Runs at the start of each GetJobW call with the job id asked for, under
  // the fake's lock: it may change the fields but not call the fake.
  std::function<void(uint32_t job_id)> before_read_job;
  // Runs after each call is logged, with its log text, under the fake's
  // lock: it may change the fields, or block until the test lets it go.
  std::function<void(const std::string& call)> after_call;
  // When set, its text is appended to each call's text in the log (tests
  // stamp calls with the time they were made).
  std::function<std::string()> call_suffix;

  // Runs after each sizing call (EnumPrintersW or GetDefaultPrinterW), with
  // the number of such calls made so far; a test can change the printers
  // here to make them outgrow the buffer before the reading call.
  std::function<void(int sizing_calls)> after_enum_sizing;
  std::function<void(int sizing_calls)> after_default_sizing;

  // Makes `step` fail with `error_code`, every time from now on.
  void FailAt(Step step, uint32_t error_code);
  // Makes the `nth` call of `step` (1 first) fail with `error_code`, and the
  // `count` - 1 calls after it (every later one when `count` is 0).
  void FailFrom(Step step, int nth, uint32_t error_code, int count = 0);
  // Makes WritePrinter succeed but report `count` bytes written.
  void ReportWritten(uint32_t count) { written_report_ = count; }
  // The counts the next successful WritePrinter calls report, one each, in
  // order; ReportWritten's count, or all the bytes given, after them.
  std::vector<uint32_t> write_reports;
  // Sets the calling thread's last-error code as it stands before any call
  // fails.
  void SetLastError(uint32_t code);

  // Every call in order, by Windows function name: "EnumPrintersW(L, 0)" for
  // the sizing call at level L, "EnumPrintersW(L, N)" for a call with an
  // N-byte buffer, "GetDefaultPrinterW(0)" and "GetDefaultPrinterW(N)" alike,
  // "StartDocPrinterW(T)" with data type T, "GetJobW(N)" and "SetJobW(N)"
  // for job N, "OpenPrinter2W(NO_CACHE)", "GetPrinterW(2)", and
  // "OpenPrinterW", "GetPrinterDriverW", "StartPagePrinter", "WritePrinter",
  // "EndPagePrinter", "EndDocPrinter", "AbortPrinter", "EnumJobsW",
  // "ClosePrinter", "GetLastError". A failed StartDocPrinterW is followed by
  // the "GetLastError" that reads its code.
  const std::vector<std::string>& calls() const { return calls_; }
  // The log's text of an EnumPrintersW call at `level` with a buffer of
  // `buffer_bytes` bytes (0 for the sizing call).
  static std::string EnumCall(kestro::PrinterInfoLevel level, uint32_t buffer_bytes);
  // The calls whose name is one of the spooler's job functions, in order.
  std::vector<std::string> JobCalls() const;
  int CountOf(const std::string& call) const;

  // What the job calls were given.
  const std::vector<std::u16string>& opened_names() const { return opened_names_; }
  const std::u16string& document_name() const { return document_name_; }
  const std::vector<uint8_t>& written_bytes() const { return written_bytes_; }
  // Printers opened and not closed yet.
  int open_printers() const { return open_printers_; }
  // The jobs SetJobW marked deleting instead of withdrawing, in order.
  const std::vector<uint32_t>& marked_deleting() const { return marked_deleting_; }

  // The bytes the current records need at `level`, as the sizing call
  // reports them.
  uint32_t RecordBytes(kestro::PrinterInfoLevel level) const;

  uint32_t PrinterRecordBytesNeeded(kestro::PrinterInfoLevel level) override;
  bool ReadPrinterRecords(kestro::PrinterInfoLevel level, uint32_t buffer_bytes,
                          std::vector<kestro::PrinterRecord>* records) override;
  uint32_t DefaultPrinterUnitsNeeded() override;
  bool ReadDefaultPrinterName(uint32_t buffer_units, std::u16string* name) override;
  std::unique_ptr<kestro::OpenedPrinter> OpenNamedPrinter(const std::u16string& name) override;
  std::unique_ptr<kestro::OpenedPrinter> OpenUncachedPrinter(const std::u16string& name) override;
  uint32_t LastErrorCode() override;

 private:
  class FakeOpenedPrinter;
  struct Failure {
    uint32_t error_code;
    int from_call;
    int count;  // 0: every call from `from_call` on
  };

  std::unique_lock<std::recursive_mutex> Lock() {
    return std::unique_lock<std::recursive_mutex>(lock_.mutex);
  }
  void Record(std::string call);
  // The calling thread's last-error code.
  uint32_t& last_error() { return last_errors_[std::this_thread::get_id()]; }
  // Whether `step` is set to fail; if so, sets the last-error code.
  bool Fails(Step step);
  bool Openable(const std::u16string& name) const;
  std::unique_ptr<kestro::OpenedPrinter> Open(const std::u16string& name, bool uncached,
                                              const char* call, Step step);
  std::vector<kestro::JobRecord>::iterator QueuedJob(uint32_t job_id);
  int64_t Now() const { return now_ms ? now_ms() : 0; }
  // The restarts of the spooler service so far: 0 or 1.
  int ServiceGeneration() const;
  // Brings every scripted job to its phase at Now().
  void PlayLives();
  // Whether `job_id` was marked deleting.
  bool MarkedDeleting(uint32_t job_id) const;
  uint32_t PrinterAttributes(const std::u16string& name) const;

  // Held by every operation; recursive, since operations use one another. A
  // copy of the fake (tests build spoolers by value) gets a lock of its own.
  struct OwnLock {
    OwnLock() = default;
    OwnLock(const OwnLock&) {}
    OwnLock& operator=(const OwnLock&) { return *this; }
    std::recursive_mutex mutex;
  };
  OwnLock lock_;
  std::map<Step, Failure> failures_;
  std::map<Step, int> step_calls_;
  std::optional<uint32_t> written_report_;
  std::map<std::thread::id, uint32_t> last_errors_;
  int enum_sizing_calls_ = 0;
  int default_sizing_calls_ = 0;
  int open_printers_ = 0;
  std::vector<uint32_t> marked_deleting_;
  std::vector<std::string> calls_;
  std::vector<std::u16string> opened_names_;
  std::u16string document_name_;
  std::vector<uint8_t> written_bytes_;
};

// A job for the fake's queue with the fields tests look at most; the rest are
// 0 or empty.
kestro::JobRecord MakeJob(uint32_t id, const std::u16string& document_name, uint32_t status,
                          int64_t submitted_unix_ms);

}  // namespace kestro_testing

#endif  // KESTRO_CASH_DRAWER_TESTING_FAKE_PRINT_SPOOLER_H_
