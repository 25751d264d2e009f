// A print spooler for the end-to-end tests that keeps every job in its
// queue, as a printer that is off or offline does: built as winspool.drv and
// loaded from a program's folder in place of Wine's, whose jobs all print at
// once (EndDocPrinter) so that no kick is ever left to withdraw. It lists no
// printer and opens any name; a job is never printed, and SetJobW withdraws
// it, as Windows does a job that is not printing: from then on GetJobW finds
// no such job. The printer named kLockedPrinter refuses the withdrawal with
// ERROR_ACCESS_DENIED; on the one named kPrintingPrinter every job is
// printing and never done, and a withdrawn one stays listed, marked
// deleting, as Windows keeps a job its port is still taking. Only the calls
// the cash drawer service makes are exported (queue_holding_spooler.def),
// each under its winspool name.

#include <windows.h>
// Needs the declarations of <windows.h> first.
#include <winspool.h>

#include <cstring>
#include <cwchar>
#include <mutex>
#include <set>

namespace {

constexpr wchar_t kLockedPrinter[] = L"Locked Printer";
constexpr wchar_t kPrintingPrinter[] = L"Printing Printer";
constexpr wchar_t kDrawerDocument[] = L"Kestro - Open cash drawer";
// The handles given out: one for each printer named above, one for any other.
HANDLE const kHoldingHandle = reinterpret_cast<HANDLE>(0x4b01);
HANDLE const kLockedHandle = reinterpret_cast<HANDLE>(0x4b02);
HANDLE const kPrintingHandle = reinterpret_cast<HANDLE>(0x4b03);

LONG next_job_id = 7;

// The jobs SetJobW withdrew; the watch asks from a thread of its own.
std::mutex withdrawn_mutex;
std::set<DWORD> withdrawn;  // guarded by withdrawn_mutex

bool Withdrawn(DWORD job_id) {
  std::lock_guard<std::mutex> lock(withdrawn_mutex);
  return withdrawn.count(job_id) != 0;
}

BOOL Fail(DWORD code) {
  ::SetLastError(code);
  return FALSE;
}

}  // namespace

extern "C" {

BOOL WINAPI HoldingOpenPrinter(LPWSTR name, LPHANDLE printer, LPPRINTER_DEFAULTSW) {
  if (name == nullptr || printer == nullptr) return Fail(ERROR_INVALID_PARAMETER);
  if (std::wcscmp(name, kLockedPrinter) == 0) {
    *printer = kLockedHandle;
  } else if (std::wcscmp(name, kPrintingPrinter) == 0) {
    *printer = kPrintingHandle;
  } else {
    *printer = kHoldingHandle;
  }
  return TRUE;
}

BOOL WINAPI HoldingClosePrinter(HANDLE) { return TRUE; }

BOOL WINAPI HoldingEnumPrinters(DWORD, LPWSTR, DWORD, LPBYTE, DWORD, LPDWORD needed,
                                LPDWORD returned) {
  *needed = 0;
  *returned = 0;
  return TRUE;
}

BOOL WINAPI HoldingGetDefaultPrinter(LPWSTR, LPDWORD) { return Fail(ERROR_FILE_NOT_FOUND); }

BOOL WINAPI HoldingGetPrinterDriver(HANDLE, LPWSTR, DWORD, LPBYTE, DWORD, LPDWORD) {
  return Fail(ERROR_UNKNOWN_PRINTER_DRIVER);
}

DWORD WINAPI HoldingStartDocPrinter(HANDLE, DWORD, LPBYTE) {
  return static_cast<DWORD>(::InterlockedIncrement(&next_job_id));
}

BOOL WINAPI HoldingStartPagePrinter(HANDLE) { return TRUE; }

BOOL WINAPI HoldingWritePrinter(HANDLE, LPVOID, DWORD size, LPDWORD written) {
  *written = size;
  return TRUE;
}

BOOL WINAPI HoldingEndPagePrinter(HANDLE) { return TRUE; }
BOOL WINAPI HoldingEndDocPrinter(HANDLE) { return TRUE; }
BOOL WINAPI HoldingAbortPrinter(HANDLE) { return TRUE; }

// Every job not withdrawn is queued, printing nothing, whatever its id;
// on the printing printer, printing, and deleting once withdrawn.
BOOL WINAPI HoldingGetJob(HANDLE printer, DWORD job_id, DWORD level, LPBYTE buffer, DWORD size,
                          LPDWORD needed) {
  const bool printing = printer == kPrintingHandle;
  if (!printing && Withdrawn(job_id)) return Fail(ERROR_INVALID_PARAMETER);
  *needed = sizeof(JOB_INFO_1W);
  if (level != 1) return Fail(ERROR_INVALID_LEVEL);
  if (buffer == nullptr || size < sizeof(JOB_INFO_1W)) return Fail(ERROR_INSUFFICIENT_BUFFER);
  JOB_INFO_1W job = {};
  job.JobId = job_id;
  job.pDocument = const_cast<LPWSTR>(kDrawerDocument);
  job.Position = 1;
  job.TotalPages = 1;
  if (printing) job.Status = JOB_STATUS_PRINTING | (Withdrawn(job_id) ? JOB_STATUS_DELETING : 0);
  std::memcpy(buffer, &job, sizeof(job));
  return TRUE;
}

BOOL WINAPI HoldingSetJob(HANDLE printer, DWORD job_id, DWORD, LPBYTE, DWORD command) {
  if (command != JOB_CONTROL_DELETE || Withdrawn(job_id)) return Fail(ERROR_INVALID_PARAMETER);
  if (printer == kLockedHandle) return Fail(ERROR_ACCESS_DENIED);
  std::lock_guard<std::mutex> lock(withdrawn_mutex);
  withdrawn.insert(job_id);
  return TRUE;
}

BOOL WINAPI HoldingEnumJobs(HANDLE, DWORD, DWORD, DWORD, LPBYTE, DWORD, LPDWORD, LPDWORD) {
  return Fail(ERROR_NOT_SUPPORTED);
}

}  // extern "C"
