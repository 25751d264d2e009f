#include "cash_drawer/system_print_spooler_win.h"

#include <windows.h>
#include <winspool.h>

#include <optional>

#include "cash_drawer/scoped_printer_handle_win.h"
#include "cash_drawer/sized_read.h"
#include "text/wide_chars.h"

namespace kestro {
namespace {

// Local printers and the user's printer connections.
constexpr DWORD kEnumFlags = PRINTER_ENUM_LOCAL | PRINTER_ENUM_CONNECTIONS;
constexpr DWORD kDocInfoLevel = 1;
constexpr DWORD kDriverInfoLevel = 8;
constexpr DWORD kPrinterInfoLevel = 2;
constexpr DWORD kJobInfoLevel = 1;
// PRINTER_OPTION_NO_CACHE as Windows defines it (1 << 0). mingw-w64's
// winspool.h declares PRINTER_OPTION_FLAGS as a plain enumeration that makes
// it 0, which OpenPrinter2W reads as no option at all: the cached handle.
constexpr DWORD kPrinterOptionNoCache = 0x1;
// EnumJobsW's job count that stands for every job in the queue.
constexpr DWORD kAllJobs = 0xFFFFFFFF;
// FILETIME ticks (100 ns since 1601-01-01) of the Unix epoch, and per millisecond.
constexpr int64_t kUnixEpochTicks = 116444736000000000;
constexpr int64_t kTicksPerMillisecond = 10000;

// The interface's own names for the spooler's bits, checked against
// winspool's. mingw-w64's header lacks JOB_STATUS_RETAINED (0x2000),
// PRINTER_STATUS_SERVER_OFFLINE (0x02000000) and
// PRINTER_STATUS_DRIVER_UPDATE_NEEDED (0x04000000); their values are
// Microsoft's documented ones.
static_assert(kPrinterStatusPaused == PRINTER_STATUS_PAUSED &&
              kPrinterStatusError == PRINTER_STATUS_ERROR &&
              kPrinterStatusPendingDeletion == PRINTER_STATUS_PENDING_DELETION &&
              kPrinterStatusPaperJam == PRINTER_STATUS_PAPER_JAM &&
              kPrinterStatusPaperOut == PRINTER_STATUS_PAPER_OUT &&
              kPrinterStatusManualFeed == PRINTER_STATUS_MANUAL_FEED &&
              kPrinterStatusPaperProblem == PRINTER_STATUS_PAPER_PROBLEM &&
              kPrinterStatusOffline == PRINTER_STATUS_OFFLINE &&
              kPrinterStatusIoActive == PRINTER_STATUS_IO_ACTIVE &&
              kPrinterStatusBusy == PRINTER_STATUS_BUSY &&
              kPrinterStatusPrinting == PRINTER_STATUS_PRINTING &&
              kPrinterStatusOutputBinFull == PRINTER_STATUS_OUTPUT_BIN_FULL &&
              kPrinterStatusNotAvailable == PRINTER_STATUS_NOT_AVAILABLE &&
              kPrinterStatusWaiting == PRINTER_STATUS_WAITING &&
              kPrinterStatusProcessing == PRINTER_STATUS_PROCESSING &&
              kPrinterStatusInitializing == PRINTER_STATUS_INITIALIZING &&
              kPrinterStatusWarmingUp == PRINTER_STATUS_WARMING_UP &&
              kPrinterStatusTonerLow == PRINTER_STATUS_TONER_LOW &&
              kPrinterStatusNoToner == PRINTER_STATUS_NO_TONER &&
              kPrinterStatusPagePunt == PRINTER_STATUS_PAGE_PUNT &&
              kPrinterStatusUserIntervention == PRINTER_STATUS_USER_INTERVENTION &&
              kPrinterStatusOutOfMemory == PRINTER_STATUS_OUT_OF_MEMORY &&
              kPrinterStatusDoorOpen == PRINTER_STATUS_DOOR_OPEN &&
              kPrinterStatusServerUnknown == PRINTER_STATUS_SERVER_UNKNOWN &&
              kPrinterStatusPowerSave == PRINTER_STATUS_POWER_SAVE);
static_assert(kPrinterAttributeWorkOffline == PRINTER_ATTRIBUTE_WORK_OFFLINE &&
              kPrinterAttributeDirect == PRINTER_ATTRIBUTE_DIRECT);
static_assert(kJobStatusPaused == JOB_STATUS_PAUSED && kJobStatusError == JOB_STATUS_ERROR &&
              kJobStatusDeleting == JOB_STATUS_DELETING &&
              kJobStatusSpooling == JOB_STATUS_SPOOLING &&
              kJobStatusPrinting == JOB_STATUS_PRINTING &&
              kJobStatusOffline == JOB_STATUS_OFFLINE &&
              kJobStatusPaperOut == JOB_STATUS_PAPEROUT &&
              kJobStatusPrinted == JOB_STATUS_PRINTED && kJobStatusDeleted == JOB_STATUS_DELETED &&
              kJobStatusBlockedDevQ == JOB_STATUS_BLOCKED_DEVQ &&
              kJobStatusUserIntervention == JOB_STATUS_USER_INTERVENTION &&
              kJobStatusRestart == JOB_STATUS_RESTART && kJobStatusComplete == JOB_STATUS_COMPLETE);
static_assert(kInsufficientBufferError == ERROR_INSUFFICIENT_BUFFER &&
              kInvalidHandleError == ERROR_INVALID_HANDLE &&
              kProcNotFoundError == ERROR_PROC_NOT_FOUND &&
              kInvalidParameterError == ERROR_INVALID_PARAMETER &&
              kInvalidPrinterNameError == ERROR_INVALID_PRINTER_NAME &&
              kInvalidDataTypeError == ERROR_INVALID_DATATYPE);

// The winspool structures take writable pointers to text they only read.
wchar_t* AsWritableWide(const std::u16string& text) {
  return const_cast<wchar_t*>(kestro::text::AsWideChars(text));
}

std::optional<std::u16string> FieldText(const wchar_t* field) {
  if (field == nullptr) return std::nullopt;
  return std::u16string(text::AsU16Chars(field));
}

// The fields of record `index` in a buffer that EnumPrintersW filled at `level`.
PrinterRecord RecordAt(const std::vector<BYTE>& buffer, PrinterInfoLevel level, DWORD index) {
  if (level == PrinterInfoLevel::kNames) {
    const auto& info = reinterpret_cast<const PRINTER_INFO_4W*>(buffer.data())[index];
    return {FieldText(info.pPrinterName), std::nullopt, std::nullopt};
  }
  const auto& info = reinterpret_cast<const PRINTER_INFO_2W*>(buffer.data())[index];
  return {FieldText(info.pPrinterName),
          FieldText(info.pDriverName),
          FieldText(info.pPortName),
          info.Status,
          info.Attributes,
          info.cJobs};
}

std::u16string TextOrEmpty(const wchar_t* field) {
  return field == nullptr ? std::u16string() : std::u16string(text::AsU16Chars(field));
}

// A UTC SYSTEMTIME as milliseconds since the Unix epoch; 0 when it is not a date.
int64_t UnixMilliseconds(const SYSTEMTIME& time) {
  FILETIME file_time;
  if (!::SystemTimeToFileTime(&time, &file_time)) return 0;
  const int64_t ticks =
      (static_cast<int64_t>(file_time.dwHighDateTime) << 32) | file_time.dwLowDateTime;
  return (ticks - kUnixEpochTicks) / kTicksPerMillisecond;
}

JobRecord JobFrom(const JOB_INFO_1W& info) {
  JobRecord job;
  job.id = info.JobId;
  job.document_name = TextOrEmpty(info.pDocument);
  job.status = info.Status;
  job.status_text = TextOrEmpty(info.pStatus);
  job.position = info.Position;
  job.total_pages = info.TotalPages;
  job.pages_printed = info.PagesPrinted;
  job.submitted_unix_ms = UnixMilliseconds(info.Submitted);
  return job;
}

// Keeps the last-error code of a failed call across the cleanup that follows
// it (freeing a buffer), so the caller still reads the failed call's code.
// Declare it before the objects whose destruction it must outlast.
class LastErrorKeeper {
 public:
  LastErrorKeeper() = default;
  ~LastErrorKeeper() {
    if (kept_) ::SetLastError(code_);
  }
  LastErrorKeeper(const LastErrorKeeper&) = delete;
  LastErrorKeeper& operator=(const LastErrorKeeper&) = delete;

  // Takes the current code; returns false for the caller's convenience.
  bool KeepAndFail() { return Fail(::GetLastError()); }

  // Takes `code` as the one to leave; returns false.
  bool Fail(DWORD code) {
    code_ = code;
    kept_ = true;
    return false;
  }

 private:
  DWORD code_ = 0;
  bool kept_ = false;
};

// Windows fails GetJobW and SetJobW for a job the queue does not hold with
// ERROR_INVALID_PARAMETER; Wine's spooler fails them without setting any code
// (measured). Called right after such a failure, with the code cleared before
// the call, it gives Wine's failure Windows's code.
void MarkMissingJob() {
  if (::GetLastError() == ERROR_SUCCESS) ::SetLastError(ERROR_INVALID_PARAMETER);
}

// One call of a buffer-filling query, with the last-error code it left
// (cleared before the call, so that a failure without a code reads 0).
template <typename Call>
SizedCall CallSized(std::vector<uint8_t>* buffer, Call call) {
  DWORD needed = 0;
  ::SetLastError(ERROR_SUCCESS);
  const BOOL ok =
      call(buffer->empty() ? nullptr : buffer->data(), static_cast<DWORD>(buffer->size()), &needed);
  return {ok != 0, needed, ok ? 0u : static_cast<uint32_t>(::GetLastError())};
}

// The record a printer query (GetPrinterDriverW, GetPrinterW) fills, when it
// succeeds with at least `least_bytes`.
template <typename Call>
std::optional<std::vector<uint8_t>> ReadInfo(size_t least_bytes, Call call) {
  std::vector<uint8_t> buffer;
  uint32_t code = 0;
  const bool read = ReadSized([&call](std::vector<uint8_t>* into) { return CallSized(into, call); },
                              &buffer, &code);
  if (!read || buffer.size() < least_bytes) return std::nullopt;
  return buffer;
}

class SystemOpenedPrinter : public OpenedPrinter {
 public:
  explicit SystemOpenedPrinter(HANDLE handle) : handle_(handle) {}

  std::optional<uint32_t> DriverAttributes() override {
    const std::optional<std::vector<uint8_t>> info =
        ReadInfo(sizeof(DRIVER_INFO_8W), [this](BYTE* data, DWORD size, DWORD* needed) {
          return ::GetPrinterDriverW(handle_.get(), nullptr, kDriverInfoLevel, data, size, needed);
        });
    if (!info) return std::nullopt;
    return reinterpret_cast<const DRIVER_INFO_8W*>(info->data())->dwPrinterDriverAttributes;
  }

  std::optional<uint32_t> Attributes() override {
    const std::optional<std::vector<uint8_t>> info =
        ReadInfo(sizeof(PRINTER_INFO_2W), [this](BYTE* data, DWORD size, DWORD* needed) {
          return ::GetPrinterW(handle_.get(), kPrinterInfoLevel, data, size, needed);
        });
    if (!info) return std::nullopt;
    return reinterpret_cast<const PRINTER_INFO_2W*>(info->data())->Attributes;
  }

  uint32_t StartDocument(const std::u16string& document_name, const std::u16string& data_type,
                         uint32_t* error_code) override {
    DOC_INFO_1W info = {AsWritableWide(document_name), nullptr, AsWritableWide(data_type)};
    const DWORD job_id =
        ::StartDocPrinterW(handle_.get(), kDocInfoLevel, reinterpret_cast<BYTE*>(&info));
    if (job_id == 0) *error_code = ::GetLastError();
    return job_id;
  }

  bool StartPage() override { return ::StartPagePrinter(handle_.get()) != 0; }

  bool Write(const std::vector<uint8_t>& bytes, uint32_t* written) override {
    DWORD count = 0;
    const BOOL ok = ::WritePrinter(handle_.get(), const_cast<uint8_t*>(bytes.data()),
                                   static_cast<DWORD>(bytes.size()), &count);
    *written = count;
    return ok != 0;
  }

  void EndPage() override { ::EndPagePrinter(handle_.get()); }
  void EndDocument() override { ::EndDocPrinter(handle_.get()); }
  void AbortDocument() override { ::AbortPrinter(handle_.get()); }

  bool ReadJob(uint32_t job_id, JobRecord* job) override {
    LastErrorKeeper last_error;
    std::vector<uint8_t> buffer;
    uint32_t code = 0;
    const bool read = ReadSized(
        [this, job_id](std::vector<uint8_t>* into) {
          SizedCall call = CallSized(into, [this, job_id](BYTE* data, DWORD size, DWORD* needed) {
            return ::GetJobW(handle_.get(), job_id, kJobInfoLevel, data, size, needed);
          });
          // Wine fails for a job the queue does not hold without a code.
          if (!call.ok && call.error_code == ERROR_SUCCESS)
            call.error_code = ERROR_INVALID_PARAMETER;
          return call;
        },
        &buffer, &code);
    if (!read) return last_error.Fail(code);
    if (buffer.size() < sizeof(JOB_INFO_1W)) return last_error.Fail(ERROR_INVALID_PARAMETER);
    *job = JobFrom(*reinterpret_cast<const JOB_INFO_1W*>(buffer.data()));
    return true;
  }

  bool DeleteJob(uint32_t job_id) override {
    ::SetLastError(ERROR_SUCCESS);
    if (::SetJobW(handle_.get(), job_id, 0, nullptr, JOB_CONTROL_DELETE)) return true;
    MarkMissingJob();
    return false;
  }

  bool ReadJobs(std::vector<JobRecord>* jobs) override {
    LastErrorKeeper last_error;
    std::vector<uint8_t> buffer;
    uint32_t code = 0;
    DWORD returned = 0;
    // Wine's EnumJobsW fails without setting a code: such a failure reads 0
    // rather than whatever an earlier call left.
    const bool read = ReadSized(
        [this, &returned](std::vector<uint8_t>* into) {
          return CallSized(into, [this, &returned](BYTE* data, DWORD size, DWORD* needed) {
            return ::EnumJobsW(handle_.get(), 0, kAllJobs, kJobInfoLevel, data, size, needed,
                               &returned);
          });
        },
        &buffer, &code);
    if (!read) return last_error.Fail(code);
    jobs->clear();
    if (buffer.empty()) return true;
    const auto* infos = reinterpret_cast<const JOB_INFO_1W*>(buffer.data());
    for (DWORD i = 0; i < returned; ++i) jobs->push_back(JobFrom(infos[i]));
    return true;
  }

 private:
  ScopedPrinterHandle handle_;
};

}  // namespace

uint32_t SystemPrintSpooler::PrinterRecordBytesNeeded(PrinterInfoLevel level) {
  DWORD needed = 0;
  DWORD returned = 0;
  ::EnumPrintersW(kEnumFlags, nullptr, static_cast<DWORD>(level), nullptr, 0, &needed, &returned);
  return needed;
}

bool SystemPrintSpooler::ReadPrinterRecords(PrinterInfoLevel level, uint32_t buffer_bytes,
                                            std::vector<PrinterRecord>* records) {
  LastErrorKeeper last_error;
  std::vector<BYTE> buffer(buffer_bytes, 0);
  DWORD needed = 0;
  DWORD returned = 0;
  if (!::EnumPrintersW(kEnumFlags, nullptr, static_cast<DWORD>(level), buffer.data(), buffer_bytes,
                       &needed, &returned)) {
    return last_error.KeepAndFail();
  }
  records->clear();
  for (DWORD i = 0; i < returned; ++i) records->push_back(RecordAt(buffer, level, i));
  return true;
}

uint32_t SystemPrintSpooler::DefaultPrinterUnitsNeeded() {
  DWORD units = 0;
  ::GetDefaultPrinterW(nullptr, &units);
  return units;
}

bool SystemPrintSpooler::ReadDefaultPrinterName(uint32_t buffer_units, std::u16string* name) {
  LastErrorKeeper last_error;
  std::vector<wchar_t> buffer(buffer_units, L'\0');
  DWORD units = buffer_units;
  if (!::GetDefaultPrinterW(buffer.data(), &units)) return last_error.KeepAndFail();
  *name = text::AsU16Chars(buffer.data());
  return true;
}

std::unique_ptr<OpenedPrinter> SystemPrintSpooler::OpenNamedPrinter(const std::u16string& name) {
  // OpenPrinterW reads the name only up to its first NUL, and would open a
  // printer other than the one named.
  if (name.find(u'\0') != std::u16string::npos) {
    ::SetLastError(ERROR_INVALID_PRINTER_NAME);
    return nullptr;
  }
  HANDLE handle = nullptr;
  if (!::OpenPrinterW(AsWritableWide(name), &handle, nullptr)) return nullptr;
  return std::make_unique<SystemOpenedPrinter>(handle);
}

std::unique_ptr<OpenedPrinter> SystemPrintSpooler::OpenUncachedPrinter(const std::u16string& name) {
  if (name.find(u'\0') != std::u16string::npos) {
    ::SetLastError(ERROR_INVALID_PRINTER_NAME);
    return nullptr;
  }
  PRINTER_OPTIONS options = {sizeof(PRINTER_OPTIONS), kPrinterOptionNoCache};
  HANDLE handle = nullptr;
  if (!::OpenPrinter2W(text::AsWideChars(name), &handle, nullptr, &options)) return nullptr;
  return std::make_unique<SystemOpenedPrinter>(handle);
}

uint32_t SystemPrintSpooler::LastErrorCode() { return ::GetLastError(); }

}  // namespace kestro
