// The record's lines: UTC times written and read back, and an event's whole
// line.

#include "audit/record_line.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "audit/testing/recording_audit.h"

namespace kestro {
namespace {

TEST(UtcTime, WritesCalendarTimesAndReadsThemInWholeOrShorter) {
  struct Case {
    const char* text;
    std::optional<int64_t> unix_ms;
    bool written;  // FormatUtcTime writes it so
  };
  const Case cases[] = {
      {"1970-01-01T00:00:00.000Z", 0, true},
      {"2000-02-29T00:00:00.000Z", 951782400000, true},  // a leap day of a 400th year
      {"2024-12-31T23:59:59.001Z", 1735689599001, true},
      {"9999-12-31T23:59:59.999Z", 253402300799999, true},
      {"2026-12-08", 1796688000000, false},
      {"2026-12-08 06:14", 1796710440000, false},
      {"2026-12-08T06:14:51", 1796710491000, false},
      {"2100-02-29", std::nullopt, false},  // not a leap year
      {"2026-13-01", std::nullopt, false},
      {"2026-12-08T24:00", std::nullopt, false},
      {"2026-12-08T23:59:60", std::nullopt, false},
      {"2026-12-08T06:14:51.12", std::nullopt, false},
      {"2026-1-08", std::nullopt, false},
      {"1969-12-31", std::nullopt, false},
      {"2026-12-08ZZ", std::nullopt, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(ParseUtcTime(c.text), c.unix_ms);
    if (c.written) {
      EXPECT_EQ(FormatUtcTime(*c.unix_ms), c.text);
    }
  }
}

TEST(RecordLine, WritesTheTimeTheNameAndEveryFieldInOrder) {
  using kestro_testing::Event;
  // Quotes and line ends escaped, a missing value null, bytes that are not
  // UTF-8 replaced, so that the line is still written.
  const AuditEvent event = Event(
      AuditEventKind::kKickNotSent,
      {std::string("R\xff \"2\""), std::string("a\nb"), std::monostate(), std::string("tool")});
  EXPECT_EQ(RecordLine(event, 1796710491123),
            "{\"time\":\"2026-12-08T06:14:51.123Z\",\"event\":\"kickNotSent\",\"printer\":\"R\xef"
            "\xbf\xbd \\\"2\\\"\",\"message\":\"a\\nb\",\"errorCode\":null,\"requester\":\"tool\"}"
            "\n");
}

}  // namespace
}  // namespace kestro
