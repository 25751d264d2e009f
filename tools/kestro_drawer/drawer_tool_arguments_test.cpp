#include "tools/kestro_drawer/drawer_tool_arguments.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "codec/testing/value_printer.h"

namespace kestro {
namespace {

using flutter::EncodableValue;
using flutter::ValueMap;
using kestro_testing::SameValue;
using Command = DrawerToolCommand;

struct ArgumentCase {
  std::vector<std::string> args;
  // What is parsed, when `error` is empty.
  Command command;
  bool json;
  std::string printer;
  ValueMap open_arguments;
  int64_t wait_ms;
  std::string error;
  std::string since = "";
};

ArgumentCase Parsed(std::vector<std::string> args, Command command, bool json = false,
                    std::string printer = "", ValueMap open_arguments = {},
                    int64_t wait_ms = 5000) {
  return {std::move(args),           command, json, std::move(printer),
          std::move(open_arguments), wait_ms, ""};
}

ArgumentCase ParsedLog(std::vector<std::string> args, std::string printer, std::string since) {
  return {std::move(args), Command::kLog, false, std::move(printer), {}, kDefaultKickWaitMs, "",
          std::move(since)};
}

ArgumentCase Malformed(std::vector<std::string> args, std::string error) {
  return {std::move(args), Command::kHelp, false, "", {}, 0, std::move(error)};
}

TEST(ParseDrawerToolArguments, ReadsEachCommandAndRejectsWhatIsMalformed) {
  const ArgumentCase cases[] = {
      Parsed({"--help"}, Command::kHelp),
      Parsed({"list", "--json"}, Command::kList, true),
      Parsed({"jobs"}, Command::kJobs),
      Parsed({"clear", "--printer", "K\u00fcche", "--json"}, Command::kClear, true, "K\u00fcche"),
      // Only what is given enters the map; the handler's defaults do the rest.
      Parsed({"open"}, Command::kOpen),
      Parsed({"open", "--printer", "Receipt", "--model-hint", "TM-T", "--protocol", "starPrnt",
              "--pin", "1", "--on", "-5", "--off", "2147483647", "--wait-ms", "0"},
             Command::kOpen, false, "",
             {{"printerName", "Receipt"},
              {"modelHint", "TM-T"},
              {"protocol", "starPrnt"},
              {"pin", 1},
              {"pulseOn", -5},
              {"pulseOff", 2147483647}},
             0),
      Parsed({"open", "--wait-ms", "600000", "--on", "-2147483648"}, Command::kOpen, false, "",
             {{"pulseOn", static_cast<int32_t>(-2147483647 - 1)}}, 600000),
      ParsedLog({"log", "--since", "7d", "--printer", "Receipt"}, "Receipt", "7d"),
      ParsedLog({"log", "--since", "2026-12-08T06:14"}, "", "2026-12-08T06:14"),
      Parsed({"config", "--json"}, Command::kConfig, true),
      Malformed({"log", "--since", "yesterday"},
                "--since takes a time in UTC (2026-12-08, 2026-12-08T06:14) or a span back from "
                "now (90s, 30m, 12h, 7d), not \"yesterday\""),
      Malformed({"config", "--printer", "Receipt"}, "--printer is not an option of config"),
      Malformed({"open", "--since", "1h"}, "--since is not an option of open"),
      Parsed({"state"}, Command::kState),
      Parsed({"state", "--printer", "Receipt", "--protocol", "starPrnt", "--via",
              "tcp:10.0.0.9:9100", "--open-level", "HIGH", "--timeout-ms", "600000", "--json"},
             Command::kState, true, "",
             {{"printerName", "Receipt"},
              {"protocol", "starPrnt"},
              {"via", "tcp:10.0.0.9:9100"},
              {"openLevel", "HIGH"},
              {"timeoutMs", 600000}}),
      Parsed({"open", "--confirm-ms", "0", "--via", "usb:USB001", "--open-level", "low"},
             Command::kOpen, false, "",
             {{"confirmWithinMs", 0}, {"via", "usb:USB001"}, {"openLevel", "low"}}),
      Malformed({"state", "--via", "COM0"},
                "--via takes COMn, tcp:HOST:PORT, usb:USBnnn, port or none, not \"COM0\""),
      Malformed({"state", "--open-level", "open"}, "--open-level takes low or high, not \"open\""),
      Malformed({"state", "--wait", "shut"}, "--wait takes open or closed, not \"shut\""),
      Malformed({"state", "--timeout-ms", "600001"},
                "--timeout-ms takes milliseconds from 0 to 600000, not \"600001\""),
      Malformed({"open", "--confirm-ms", "1s"},
                "--confirm-ms takes milliseconds from 0 to 600000, not \"1s\""),
      Malformed({"state", "--pin", "1"}, "--pin is not an option of state"),
      Malformed({"state", "--model-hint", "TM"}, "--model-hint is not an option of state"),
      Malformed({"open", "--wait", "open"}, "--wait is not an option of open"),
      Malformed({"jobs", "--via", "COM3"}, "--via is not an option of jobs"),
      Malformed({}, "missing command"),
      Malformed({"kick"}, "unknown command \"kick\""),
      Malformed({"--json"}, "unknown command \"--json\""),
      Malformed({"list", "--printer", "Receipt"}, "--printer is not an option of list"),
      Malformed({"jobs", "--pin", "1"}, "--pin is not an option of jobs"),
      Malformed({"open", "--drawer", "1"}, "unknown option \"--drawer\""),
      Malformed({"open", "--printer"}, "--printer needs a value"),
      Malformed({"open", "--pin", "1", "--pin", "0"}, "--pin is given twice"),
      Malformed({"open", "--on", "2147483648"},
                "--on takes a 32-bit whole number, not \"2147483648\""),
      Malformed({"open", "--off", "25ms"}, "--off takes a 32-bit whole number, not \"25ms\""),
      Malformed({"open", "--pin", ""}, "--pin takes a 32-bit whole number, not \"\""),
      Malformed({"open", "--wait-ms", "-1"},
                "--wait-ms takes milliseconds from 0 to 600000, not \"-1\""),
      Malformed({"open", "--wait-ms", "600001"},
                "--wait-ms takes milliseconds from 0 to 600000, not \"600001\""),
      Malformed({"--help", "list"}, "unknown command \"--help\""),
  };
  for (const ArgumentCase& c : cases) {
    std::string shown;
    for (const std::string& arg : c.args) shown += arg + " ";
    SCOPED_TRACE(shown);
    std::string error;
    const std::optional<DrawerToolArguments> parsed = ParseDrawerToolArguments(c.args, &error);
    EXPECT_EQ(error, c.error);
    ASSERT_EQ(parsed.has_value(), c.error.empty());
    if (!parsed) continue;
    EXPECT_EQ(parsed->command, c.command);
    EXPECT_EQ(parsed->json, c.json);
    EXPECT_EQ(parsed->printer, c.printer);
    EXPECT_TRUE(
        SameValue(EncodableValue(parsed->open_arguments), EncodableValue(c.open_arguments)));
    EXPECT_EQ(parsed->wait_ms, c.wait_ms);
    EXPECT_EQ(parsed->since, c.since);
    EXPECT_FALSE(parsed->wait);
  }
}

// --wait makes `state` a wait, for the state given.
TEST(ParseDrawerToolArguments, WaitMakesStateAWait) {
  for (const char* state : {"open", "closed"}) {
    std::string error;
    const std::optional<DrawerToolArguments> parsed =
        ParseDrawerToolArguments({"state", "--wait", state}, &error);
    ASSERT_TRUE(parsed) << error;
    EXPECT_TRUE(parsed->wait);
    EXPECT_TRUE(SameValue(EncodableValue(parsed->open_arguments),
                          EncodableValue(ValueMap{{"state", state}})));
  }
}

TEST(SinceTime, ReadsUtcTimesAndSpansBackFromNow) {
  constexpr int64_t kNow = 1700000000000;
  struct Case {
    const char* text;
    std::optional<int64_t> time;
  };
  const Case cases[] = {
      {"2023-11-14", 1699920000000},
      {"90s", kNow - 90000},
      {"7d", kNow - 604800000},
      {"0s", kNow},
      {"10000d", kNow - int64_t{10000} * 86400000},
      {"10001d", std::nullopt},
      {"-5m", std::nullopt},
      {"5", std::nullopt},
      {"5w", std::nullopt},
      {"1.5h", std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(SinceTime(c.text, kNow), c.time);
  }
}

}  // namespace
}  // namespace kestro
