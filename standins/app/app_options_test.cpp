#include "standins/app/app_options.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "standins/app/decimal.h"

namespace {

using kestro::standin::AppOptions;
using kestro::standin::ParseAppOptions;
using kestro::standin::ParseDecimal;

struct OptionsCase {
  const char* label;
  std::vector<std::string> arguments;
  std::string script;
  std::string transcript;
  bool fail_view;
  int hold_ms;
  int reply_timeout_ms;
  size_t warnings;
};

TEST(AppOptions, ReadsTheAppsOwnArguments) {
  const OptionsCase cases[] = {
      {"none", {}, "", "", false, 0, 20000, 0},
      {"script and transcript",
       {"--script", "a.jsonl", "--transcript", "t.jsonl"},
       "a.jsonl",
       "t.jsonl",
       false,
       0,
       20000,
       0},
      {"fail view among others", {"x", "--fail-view", "y"}, "", "", true, 0, 20000, 0},
      {"later wins", {"--script", "a", "--script", "b"}, "b", "", false, 0, 20000, 0},
      {"numbers", {"--hold-ms", "1500", "--reply-timeout-ms", "0"}, "", "", false, 1500, 0, 0},
      {"value that looks like an option is still the value",
       {"--script", "--fail-view"},
       "--fail-view",
       "",
       false,
       0,
       20000,
       0},
      {"missing value", {"--transcript"}, "", "", false, 0, 20000, 1},
      {"bad number keeps the default",
       {"--hold-ms", "-3", "--reply-timeout-ms", "1e3"},
       "",
       "",
       false,
       0,
       20000,
       2},
      {"unknown options are the app's business",
       {"--verbose", "--script=x"},
       "",
       "",
       false,
       0,
       20000,
       0},
  };
  for (const OptionsCase& c : cases) {
    SCOPED_TRACE(c.label);
    const AppOptions options = ParseAppOptions(c.arguments);
    EXPECT_EQ(options.script_path, c.script);
    EXPECT_EQ(options.transcript_path, c.transcript);
    EXPECT_EQ(options.fail_view, c.fail_view);
    EXPECT_EQ(options.hold_ms, c.hold_ms);
    EXPECT_EQ(options.reply_timeout_ms, c.reply_timeout_ms);
    EXPECT_EQ(options.warnings.size(), c.warnings);
  }
}

TEST(Decimal, AcceptsOnlyPlainDigits) {
  const struct {
    const char* text;
    std::optional<int> value;
  } cases[] = {
      {"0", 0},    {"96", 96},         {"144", 144}, {"999999999", 999999999},
      {"", {}},    {"1234567890", {}}, {"-1", {}},   {"+1", {}},
      {" 96", {}}, {"96 ", {}},        {"9a", {}},   {"1.5", {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(ParseDecimal(c.text), c.value);
  }
}

}  // namespace
