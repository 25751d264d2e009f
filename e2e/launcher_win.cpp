// e2e-launch.exe PROGRAM [ARGS...]: starts PROGRAM with ARGS and returns its
// exit code, with the standard handles passed on. Every argument equal to
// "{unpaired-surrogate}" is replaced by the single UTF-16 unit 0xD800, which
// no Unix command line can carry to a Windows program.

#include <windows.h>

#include <cstdio>
#include <string>

namespace {

constexpr wchar_t kUnpairedSurrogateToken[] = L"{unpaired-surrogate}";

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

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) {
    ::fputws(L"usage: e2e-launch.exe PROGRAM [ARGS...]\n", stderr);
    return 2;
  }
  std::wstring command_line = Quote(argv[1]);
  for (int i = 2; i < argc; ++i) {
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
  if (!::CreateProcessW(argv[1], command_line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                        &startup, &process)) {
    ::fwprintf(stderr, L"e2e-launch: cannot start %ls (error %lu)\n", argv[1], ::GetLastError());
    return 2;
  }
  ::WaitForSingleObject(process.hProcess, INFINITE);
  DWORD exit_code = 2;
  ::GetExitCodeProcess(process.hProcess, &exit_code);
  ::CloseHandle(process.hThread);
  ::CloseHandle(process.hProcess);
  return static_cast<int>(exit_code);
}
