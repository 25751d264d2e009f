#include "runner/command_line.h"

#include <windows.h>
// Needs the declarations of <windows.h> first.
#include <shellapi.h>

#include <cwchar>
#include <memory>

namespace {

struct LocalMemoryDeleter {
  void operator()(wchar_t** memory) const { ::LocalFree(memory); }
};
using ScopedArgv = std::unique_ptr<wchar_t*, LocalMemoryDeleter>;

// Strict conversion: invalid UTF-16 fails rather than being replaced.
int ToUtf8(const wchar_t* text, int text_length, char* buffer, int buffer_size) {
  return ::WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, text, text_length, buffer,
                               buffer_size, nullptr, nullptr);
}

}  // namespace

std::vector<std::string> CollectCommandLineArguments() {
  return ArgumentsAfterProgramName(::GetCommandLineW());
}

std::vector<std::string> ArgumentsAfterProgramName(const wchar_t* command_line) {
  int count = 0;
  ScopedArgv argv(::CommandLineToArgvW(command_line, &count));
  if (!argv) return {};
  std::vector<std::string> arguments;
  for (int i = 1; i < count; ++i) arguments.push_back(ArgumentToUtf8(argv.get()[i]));
  return arguments;
}

std::string ArgumentToUtf8(const wchar_t* argument) {
  if (argument == nullptr) return {};
  // The size query counts the terminating NUL, which the result leaves out.
  int length = ToUtf8(argument, -1, nullptr, 0) - 1;
  if (length <= 0) return {};
  std::string utf8(static_cast<size_t>(length), '\0');
  int units = static_cast<int>(std::wcslen(argument));
  if (ToUtf8(argument, units, utf8.data(), length) == 0) return {};
  return utf8;
}
