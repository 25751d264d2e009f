// e2e-launch.exe [--end-session FILE COPY] PROGRAM [ARGS...]: starts PROGRAM
// with ARGS and returns its exit code, with the standard handles passed on.
// Every argument equal to "{unpaired-surrogate}" is replaced by the single
// UTF-16 unit 0xD800, which no Unix command line can carry to a Windows
// program.
//
// With --end-session, once PROGRAM's window is visible, the session's end is
// played to it as Windows plays it at logoff: WM_QUERYENDSESSION, then
// WM_ENDSESSION with TRUE. Their answers are printed, one line each
// ("WM_QUERYENDSESSION 1"), and FILE is copied to COPY as it is when
// WM_ENDSESSION has returned, the moment after which Windows may end the
// program.

#include <windows.h>

#include <cstdio>
#include <string>

namespace {

constexpr wchar_t kUnpairedSurrogateToken[] = L"{unpaired-surrogate}";
constexpr wchar_t kEndSessionOption[] = L"--end-session";
constexpr wchar_t kWindowClass[] = L"FLUTTER_RUNNER_WIN32_WINDOW";
// Bounds for a program that never shows its window or hangs on a message.
constexpr DWORD kWindowWaitMs = 60000;
constexpr UINT kMessageTimeoutMs = 30000;

// Quotes `argument` so that CommandLineToArgvW reads it back unchanged.
std::wstring Quote(const std::wstring& argument) {
  if (!argument.empty() && argument.find_first_of(L" \t\n\v\"") == std::wstring::npos) {
    return argument;
  }
  std::wstring quoted = L"\"";
  size_t backslashes = 0;
  for (wchar_t c : argument) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    // Backslashes before a quote are doubled, and the quote is escaped.
    quoted.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
    backslashes = 0;
    quoted.push_back(c);
  }
  quoted.append(backslashes * 2, L'\\');  // before the closing quote
  quoted.push_back(L'"');
  return quoted;
}

struct WindowSearch {
  DWORD process_id;
  HWND found;
};

BOOL CALLBACK TakeVisibleProgramWindow(HWND window, LPARAM search_address) {
  auto* search = reinterpret_cast<WindowSearch*>(search_address);
  DWORD process_id = 0;
  ::GetWindowThreadProcessId(window, &process_id);
  wchar_t class_name[64] = {};
  ::GetClassNameW(window, class_name, 64);
  if (process_id != search->process_id || std::wstring(class_name) != kWindowClass ||
      !::IsWindowVisible(window)) {
    return TRUE;
  }
  search->found = window;
  return FALSE;
}

// The visible window of `process`, once there is one; null when the process
// ends or the wait is over first.
HWND WaitForVisibleWindow(const PROCESS_INFORMATION& process) {
  const DWORD start = ::GetTickCount();
  while (::GetTickCount() - start < kWindowWaitMs) {
    WindowSearch search{process.dwProcessId, nullptr};
    ::EnumWindows(TakeVisibleProgramWindow, reinterpret_cast<LPARAM>(&search));
    if (search.found != nullptr) return search.found;
    if (::WaitForSingleObject(process.hProcess, 50) == WAIT_OBJECT_0) return nullptr;
  }
  return nullptr;
}

// Sends `message` with `wparam`, and ENDSESSION_LOGOFF as its lparam, and
// prints its answer under `name`.
void SendAndPrint(HWND window, UINT message, const wchar_t* name, WPARAM wparam) {
  DWORD_PTR answer = 0;
  if (!::SendMessageTimeoutW(window, message, wparam, ENDSESSION_LOGOFF, SMTO_NORMAL,
                             kMessageTimeoutMs, &answer)) {
    ::fwprintf(stdout, L"%ls no answer (error %lu)\n", name, ::GetLastError());
    return;
  }
  ::fwprintf(stdout, L"%ls %llu\n", name, static_cast<unsigned long long>(answer));
}

void EndSession(const PROCESS_INFORMATION& process, const wchar_t* file, const wchar_t* copy) {
  HWND window = WaitForVisibleWindow(process);
  if (window == nullptr) {
    ::fputws(L"e2e-launch: the program showed no window\n", stderr);
    return;
  }
  SendAndPrint(window, WM_QUERYENDSESSION, L"WM_QUERYENDSESSION", 0);
  SendAndPrint(window, WM_ENDSESSION, L"WM_ENDSESSION", TRUE);
  if (!::CopyFileW(file, copy, FALSE)) {
    ::fwprintf(stderr, L"e2e-launch: cannot copy %ls (error %lu)\n", file, ::GetLastError());
  }
  ::fflush(stdout);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const bool end_session = argc >= 2 && std::wstring(argv[1]) == kEndSessionOption;
  const int program = end_session ? 4 : 1;
  if (argc <= program) {
    ::fputws(L"usage: e2e-launch.exe [--end-session FILE COPY] PROGRAM [ARGS...]\n", stderr);
    return 2;
  }
  std::wstring command_line = Quote(argv[program]);
  for (int i = program + 1; i < argc; ++i) {
    const std::wstring argument = argv[i];
    command_line += L" ";
    command_line +=
        argument == kUnpairedSurrogateToken ? std::wstring(1, wchar_t{0xD800}) : Quote(argument);
  }
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = ::GetStdHandle(STD_INPUT_HANDLE);
  startup.hStdOutput = ::GetStdHandle(STD_OUTPUT_HANDLE);
  startup.hStdError = ::GetStdHandle(STD_ERROR_HANDLE);
  PROCESS_INFORMATION process{};
  if (!::CreateProcessW(argv[program], command_line.data(), nullptr, nullptr, TRUE, 0, nullptr,
                        nullptr, &startup, &process)) {
    ::fwprintf(stderr, L"e2e-launch: cannot start %ls (error %lu)\n", argv[program],
               ::GetLastError());
    return 2;
  }
  if (end_session) EndSession(process, argv[2], argv[3]);
  ::WaitForSingleObject(process.hProcess, INFINITE);
  DWORD exit_code = 2;
  ::GetExitCodeProcess(process.hProcess, &exit_code);
  ::CloseHandle(process.hThread);
  ::CloseHandle(process.hProcess);
  return static_cast<int>(exit_code);
}
