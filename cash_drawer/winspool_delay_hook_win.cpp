// What a spooler call does when winspool.drv, or the function called, cannot
// be loaded.
//
// The program imports winspool.drv through a delay-load import library: the
// first call of each spooler function loads the library and looks the
// function up, through the compiler runtime's delay-load helper. When either
// fails, the helper asks the failure hook defined here, and without an answer
// raises an exception that nothing catches: the program would end at the
// till. The hook answers with a function that fails the way every spooler
// function the service calls fails: it returns 0 (FALSE, or no job) and sets
// the last-error code of the failed load (ERROR_MOD_NOT_FOUND, for one) or
// lookup (ERROR_PROC_NOT_FOUND). The service then answers as it does for any
// failed spooler call: no printers, or a failure map with that code.
//
// A library that failed to load is not tried again in this process: the
// helper keeps the module the hook gives in its place, and every spooler
// call fails with the load's code until the program is restarted.

#include <windows.h>
// Needs the declarations of <windows.h> first.
#include <delayimp.h>

#include <atomic>

namespace {

constexpr char kSpoolerLibrary[] = "winspool.drv";

// The last-error code that a spooler call which could not be loaded reports.
std::atomic<DWORD> unloadable_call_error{ERROR_PROC_NOT_FOUND};

// Stands in for every spooler function that could not be loaded; it has the
// helper's own function type. The caller's arguments, and its
// out-parameters, are left alone: a failed call of Windows' own need not
// write them either.
INT_PTR WINAPI FailUnloadableSpoolerCall() {
  ::SetLastError(unloadable_call_error.load());
  return 0;
}

// Stands in for winspool.drv once it could not be loaded: the program's own
// module, which exports no function, so that each function's lookup in it
// fails and comes back to the hook.
HMODULE StandInForSpoolerLibrary() { return ::GetModuleHandleW(nullptr); }

DWORD CodeOr(DWORD code, DWORD fallback) { return code != 0 ? code : fallback; }

FARPROC WINAPI OnDelayLoadFailure(unsigned notification, PDelayLoadInfo info) {
  // Another library's failure keeps the helper's own answer, the exception.
  if (info == nullptr || info->szDll == nullptr || ::lstrcmpiA(info->szDll, kSpoolerLibrary) != 0) {
    return nullptr;
  }
  switch (notification) {
    case dliFailLoadLib:
      unloadable_call_error.store(CodeOr(info->dwLastError, ERROR_MOD_NOT_FOUND));
      return reinterpret_cast<FARPROC>(StandInForSpoolerLibrary());
    case dliFailGetProc:
      // Behind the stand-in, a lookup fails because the library did not load,
      // and the load's code stays.
      if (info->hmodCur != StandInForSpoolerLibrary()) {
        unloadable_call_error.store(CodeOr(info->dwLastError, ERROR_PROC_NOT_FOUND));
      }
      return &FailUnloadableSpoolerCall;
    default:
      return nullptr;
  }
}

}  // namespace

// The runtime's delay-load helper reads its failure hook from this variable.
// Defining it here, in an object file that every program with the spooler
// links directly, replaces the runtime's own empty definition.
PfnDliHook __pfnDliFailureHook2 = OnDelayLoadFailure;
