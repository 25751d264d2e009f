#include "standins/app/app_options.h"

#include "standins/app/decimal.h"

namespace kestro::standin {

AppOptions ParseAppOptions(const std::vector<std::string>& arguments) {
  AppOptions options;
  for (size_t i = 0; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    if (argument == "--fail-view") {
      options.fail_view = true;
      continue;
    }
    const bool takes_path = argument == "--script" || argument == "--transcript";
    const bool takes_number = argument == "--hold-ms" || argument == "--reply-timeout-ms";
    if (!takes_path && !takes_number) continue;
    if (i + 1 == arguments.size()) {
      options.warnings.push_back(argument + " needs a value; ignored");
      continue;
    }
    const std::string& value = arguments[++i];
    if (argument == "--script") {
      options.script_path = value;
    } else if (argument == "--transcript") {
      options.transcript_path = value;
    } else if (auto number = ParseDecimal(value)) {
      (argument == "--hold-ms" ? options.hold_ms : options.reply_timeout_ms) = *number;
    } else {
      options.warnings.push_back(argument + " needs a whole number of milliseconds, not \"" +
                                 value + "\"; ignored");
    }
  }
  return options;
}

}  // namespace kestro::standin
