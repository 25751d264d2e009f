// A print spooler for the end-to-end tests that keeps every job in its
// queue, as a printer that is off or offline does: built as winspool.drv and
// loaded from a program's folder in place of Wine's, whose jobs all print at
// once (EndDocPrinter) so that no kick is ever left to withdraw. It lists no
// printer and opens any name; a job is never printed, and SetJobW withdraws
// it, except on the printer named kLockedPrinter, which refuses with
// ERROR_ACCESS_DENIED. Only the calls the cash drawer service makes are
// exported (queue_holding_spooler.def), each under its winspool name.

#include <windows.h>
// Needs the declarations of <windows.h> first.
#include <winspool.h>

#include <cstring>
#include <cwchar>

namespace {

constexpr wchar_t kLockedPrinter[] = L"Locked Printer";
constexpr wchar_t kDrawerDocument[] = L"Kestro - Open cash drawer";
// The handles given out: one for the locked printer, one for any other.
HANDLE const kHoldingHandle = reinterpret_cast<HANDLE>(0x4b01);
HANDLE const kLockedHandle = reinterpret_cast<HANDLE>(0x4b02);

LONG next_job_id = 7;

BOOL Fail(DWORD code) {
  ::SetLastError(code);
  return FALSE;
}

}  // namespace

extern "C" {

BOOL WINAPI HoldingOpenPrinter(LPWSTR name, LPHANDLE printer, LPPRINTER_DEFAULTSW) {
  if (name == nullptr || printer == nullptr) return Fail(ERROR_INVALID_PARAMETER);
  *printer = std::wcscmp(name, kLockedPrinter) == 0 ? kLockedHandle : kHoldingHandle;
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

// Every job is queued, printing nothing, whatever its id.
BOOL WINAPI HoldingGetJob(HANDLE, DWORD job_id, DWORD level, LPBYTE buffer, DWORD size,
                          LPDWORD needed) {
  *needed = sizeof(JOB_INFO_1W);
  if (level != 1) return Fail(ERROR_INVALID_LEVEL);
  if (buffer == nullptr || size < sizeof(JOB_INFO_1W)) return Fail(ERROR_INSUFFICIENT_BUFFER);
  JOB_INFO_1W job = {};
  job.JobId = job_id;
  job.pDocument = const_cast<LPWSTR>(kDrawerDocument);
  job.Position = 1;
  job.TotalPages = 1;
  std::memcpy(buffer, &job, sizeof(job));
  return TRUE;
}

BOOL WINAPI HoldingSetJob(HANDLE printer, DWORD, DWORD, LPBYTE, DWORD command) {
  if (command != JOB_CONTROL_DELETE) return Fail(ERROR_INVALID_PARAMETER);
  return printer == kLockedHandle ? Fail(ERROR_ACCESS_DENIED) : TRUE;
}

BOOL WINAPI HoldingEnumJobs(HANDLE, DWORD, DWORD, DWORD, LPBYTE, DWORD, LPDWORD, LPDWORD) {
  return Fail(ERROR_NOT_SUPPORTED);
}

}  // extern "C"
