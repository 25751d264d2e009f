// The delay-load failure hook, called as the runtime's delay-load helper
// calls it when winspool.drv or one of its functions cannot be loaded.

#include <windows.h>
// Needs the declarations of <windows.h> first.
#include <delayimp.h>
#include <gtest/gtest.h>

namespace {

DelayLoadInfo Failure(const char* library, HMODULE module, DWORD error) {
  DelayLoadInfo info{};
  info.cb = sizeof(info);
  info.szDll = library;
  info.hmodCur = module;
  info.dwLastError = error;
  return info;
}

// Calls `function`, which must fail as a spooler call fails (a zero result),
// and returns the last-error code it leaves.
DWORD ErrorOfFailedCall(FARPROC function) {
  ::SetLastError(0);
  EXPECT_EQ(function(), 0);
  return ::GetLastError();
}

// Verifies that an unloadable spooler call fails with the code of what
// failed: the function's lookup in a library that loaded, or the library's
// load, for every function looked up after it. Other libraries are left to
// the helper, which raises its exception.
TEST(WinspoolDelayHookTest, UnloadableSpoolerCallsFailWithTheFailuresCode) {
  PfnDliHook hook = __pfnDliFailureHook2;
  ASSERT_NE(hook, nullptr);

  DelayLoadInfo lookup =
      Failure("WINSPOOL.DRV", ::GetModuleHandleW(L"kernel32.dll"), ERROR_PROC_NOT_FOUND);
  FARPROC missing = hook(dliFailGetProc, &lookup);
  ASSERT_NE(missing, nullptr);
  EXPECT_EQ(ErrorOfFailedCall(missing), DWORD{ERROR_PROC_NOT_FOUND});

  DelayLoadInfo load = Failure("winspool.drv", nullptr, ERROR_BAD_EXE_FORMAT);
  auto stand_in = reinterpret_cast<HMODULE>(hook(dliFailLoadLib, &load));
  ASSERT_NE(stand_in, nullptr);
  EXPECT_EQ(::GetProcAddress(stand_in, "OpenPrinterW"), nullptr);
  for (const char* function : {"OpenPrinterW", "EnumPrintersW"}) {
    SCOPED_TRACE(function);
    lookup = Failure("winspool.drv", stand_in, ERROR_PROC_NOT_FOUND);
    lookup.dlp.fImportByName = TRUE;
    lookup.dlp.szProcName = function;
    FARPROC unloadable = hook(dliFailGetProc, &lookup);
    ASSERT_NE(unloadable, nullptr);
    EXPECT_EQ(ErrorOfFailedCall(unloadable), DWORD{ERROR_BAD_EXE_FORMAT});
  }

  DelayLoadInfo other = Failure("winspool.dll", nullptr, ERROR_MOD_NOT_FOUND);
  EXPECT_EQ(hook(dliFailLoadLib, &other), nullptr);
  EXPECT_EQ(hook(dliFailGetProc, &other), nullptr);
}

}  // namespace
