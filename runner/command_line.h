// The process command line, turned into the Dart app's entry-point arguments.

#ifndef KESTRO_RUNNER_COMMAND_LINE_H_
#define KESTRO_RUNNER_COMMAND_LINE_H_

#include <string>
#include <vector>

// The arguments after the program's name on the process command line, as
// UTF-8, in order. Empty when the command line cannot be split.
std::vector<std::string> CollectCommandLineArguments();

// The same for a given command line, split by Windows' own rules
// (CommandLineToArgvW). The first element, the program, is skipped.
std::vector<std::string> ArgumentsAfterProgramName(const wchar_t* command_line);

// `argument` (UTF-16, may be null) as UTF-8. A null or empty argument, or one
// that is not valid UTF-16 (such as an unpaired surrogate), gives an empty
// string.
std::string ArgumentToUtf8(const wchar_t* argument);

#endif  // KESTRO_RUNNER_COMMAND_LINE_H_
