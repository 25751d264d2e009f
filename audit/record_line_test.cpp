// The record's lines: UTC times written and read, an event's whole line, and
// lines read back, a torn one among them.

#include "audit/record_line.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "audit/testing/recording_audit.h"

namespace kestro {
namespace {

using kestro_testing::Event;

TEST(UtcTime, WritesAndReadsCalendarTimes) {
  struct Case {
    int64_t unix_ms;
    const char* text;
  };
  const Case cases[] = {
      {0, "1970-01-01T00:00:00.000Z"},
      {951782400000, "2000-02-29T00:00:00.000Z"},   // a leap day of a 400th year
      {1709251199999, "2024-02-29T23:59:59.999Z"},  // the last ms of a leap day
      {1735689599001, "2024-12-31T23:59:59.001Z"},
      {4102444800000, "2100-01-01T00:00:00.000Z"},
      {253402300799999, "9999-12-31T23:59:59.999Z"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(FormatUtcTime(c.unix_ms), c.text);
    EXPECT_EQ(ParseUtcTime(c.text), c.unix_ms);
  }
}

TEST(UtcTime, ReadsShorterFormsAndRefusesMalformedOnes) {
  struct Case {
    const char* text;
    std::optional<int64_t> unix_ms;
  };
  const Case cases[] = {
      {"2026-12-08", 1796688000000},
      {"2026-12-08T06:14", 1796710440000},
      {"2026-12-08 06:14:51", 1796710491000},
      {"2026-12-08T06:14:51.123Z", 1796710491123},
      {"2026-12-08Z", 1796688000000},
      {"2100-02-29", std::nullopt},  // not a leap year
      {"2026-02-30", std::nullopt},
      {"2026-13-01", std::nullopt},
      {"2026-00-01", std::nullopt},
      {"2026-12-08T24:00", std::nullopt},
      {"2026-12-08T23:60", std::nullopt},
      {"2026-12-08T23:59:60", std::nullopt},
      {"2026-12-08T06", std::nullopt},
      {"2026-12-08T06:14:51.12", std::nullopt},
      {"2026-1-08", std::nullopt},
      {"1969-12-31", std::nullopt},
      {"2026-12-08ZZ", std::nullopt},
      {"2026-12-08T-6:14", std::nullopt},
      {"+026-12-08", std::nullopt},
      {"", std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(ParseUtcTime(c.text), c.unix_ms);
  }
}

TEST(RecordLine, WritesTheTimeTheNameAndEveryFieldInOrder) {
  struct Case {
    AuditEvent event;
    std::string line;
  };
  const std::vector<Case> cases = {
      {Event(AuditEventKind::kKickSent, {std::string("Receipt \"2\""), int64_t{12},
                                         std::string("escPos"), int64_t{-1}, std::string("app")}),
       "{\"time\":\"2026-12-08T06:14:51.123Z\",\"event\":\"kickSent\",\"printer\":\"Receipt "
       "\\\"2\\\"\",\"jobId\":12,\"dialect\":\"escPos\",\"pin\":-1,\"requester\":\"app\"}\n"},
      {Event(AuditEventKind::kKickNotSent,
             {std::string("K\xc3\xbc"
                          "che"),
              std::string("a\nb"), std::monostate(), std::string("tool")}),
       "{\"time\":\"2026-12-08T06:14:51.123Z\",\"event\":\"kickNotSent\",\"printer\":\"K\xc3\xbc"
       "che\",\"message\":\"a\\nb\",\"errorCode\":null,\"requester\":\"tool\"}\n"},
      // Bytes that are not UTF-8 are replaced, so the line is still written.
      {Event(AuditEventKind::kDrawerReadOpen, {std::string("R\xff")}),
       "{\"time\":\"2026-12-08T06:14:51.123Z\",\"event\":\"drawerReadOpen\",\"printer\":\"R\xef"
       "\xbf\xbd\"}\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    EXPECT_EQ(RecordLine(c.event, 1796710491123), c.line);
  }
}

TEST(ParseRecordLine, ReadsWholeLinesAndRefusesTornOrForeignOnes) {
  const std::string whole =
      "{\"time\":\"2026-12-08T06:14:51.123Z\",\"event\":\"kickSent\",\"printer\":\"R\","
      "\"jobId\":12}";
  const std::optional<RecordEntry> entry = ParseRecordLine(whole);
  ASSERT_TRUE(entry.has_value());
  EXPECT_EQ(entry->unix_ms, 1796710491123);
  EXPECT_EQ(entry->event, "kickSent");
  EXPECT_EQ(entry->object.dump(), whole);

  const char* const refused[] = {
      "{\"time\":\"2026-12-08T06:14:51.123Z\",\"event\":\"kickSent\",\"printer\":\"R",  // torn
      "{\"event\":\"kickSent\"}",
      "{\"time\":\"yesterday\",\"event\":\"kickSent\"}",
      "{\"time\":\"2026-12-08T06:14:51.123Z\",\"event\":12}",
      "[\"2026-12-08T06:14:51.123Z\",\"kickSent\"]",
      "",
  };
  for (const char* line : refused) {
    SCOPED_TRACE(line);
    EXPECT_FALSE(ParseRecordLine(line).has_value());
  }
}

}  // namespace
}  // namespace kestro
