// The tracker fed readings with their times: the events it reports, for one
// drawer and for two at once, with and without a warning limit.

#include "audit/drawer_open_tracker.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "audit/testing/recording_audit.h"

namespace kestro {
namespace {

using kestro_testing::Event;
using kestro_testing::RecordingAudit;
using Kind = AuditEventKind;

struct Reading {
  const char16_t* printer;
  DrawerSeen state;
  int64_t at_ms;
  uint32_t warning_seconds;
};

constexpr DrawerSeen kOpen = DrawerSeen::kOpen;
constexpr DrawerSeen kClosed = DrawerSeen::kClosed;

AuditEvent Opened(const char* printer) {
  return Event(Kind::kDrawerReadOpen, {std::string(printer)});
}
AuditEvent Closed(const char* printer, int64_t open_ms) {
  return Event(Kind::kDrawerReadClosed, {std::string(printer), open_ms});
}
AuditEvent LeftOpen(const char* printer, int64_t open_ms, int64_t limit) {
  return Event(Kind::kDrawerLeftOpen, {std::string(printer), open_ms, limit});
}

TEST(DrawerOpenTracker, ReportsOpeningsClosingsAndOneWarningPerOpening) {
  struct Case {
    const char* name;
    std::vector<Reading> readings;
    std::vector<AuditEvent> events;
  };
  const std::vector<Case> cases = {
      {"open, still open, closed: timed from the first open reading",
       {{u"R", kClosed, 0, 0},
        {u"R", kOpen, 1000, 0},
        {u"R", kOpen, 2000, 0},
        {u"R", kClosed, 5500, 0}},
       {Opened("R"), Closed("R", 4500)}},
      {"the limit itself is no warning, one millisecond more is, once",
       {{u"R", kOpen, 1000, 60},
        {u"R", kOpen, 61000, 60},
        {u"R", kOpen, 61001, 60},
        {u"R", kOpen, 90000, 60},
        {u"R", kClosed, 95000, 60}},
       {Opened("R"), LeftOpen("R", 60001, 60), Closed("R", 94000)}},
      {"each opening may be warned of again",
       {{u"R", kOpen, 0, 1},
        {u"R", kOpen, 1001, 1},
        {u"R", kClosed, 1500, 1},
        {u"R", kOpen, 2000, 1},
        {u"R", kOpen, 3001, 1}},
       {Opened("R"), LeftOpen("R", 1001, 1), Closed("R", 1500), Opened("R"),
        LeftOpen("R", 1001, 1)}},
      {"no limit, no warning; a limit set later counts from the opening",
       {{u"R", kOpen, 0, 0}, {u"R", kOpen, 500000, 0}, {u"R", kOpen, 500001, 300}},
       {Opened("R"), LeftOpen("R", 500001, 300)}},
      {"two drawers tracked apart",
       {{u"A", kOpen, 0, 10},
        {u"B", kOpen, 5000, 10},
        {u"A", kOpen, 10001, 10},
        {u"B", kClosed, 12000, 10},
        {u"A", kClosed, 13000, 10}},
       {Opened("A"), Opened("B"), LeftOpen("A", 10001, 10), Closed("B", 7000), Closed("A", 13000)}},
      {"a clock read out of order counts no time",
       {{u"R", kOpen, 5000, 0}, {u"R", kClosed, 4000, 0}},
       {Opened("R"), Closed("R", 0)}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    RecordingAudit audit;
    DrawerOpenTracker tracker(audit.trail);
    for (const Reading& r : c.readings) {
      tracker.Observe(r.printer, r.state, r.at_ms, r.warning_seconds);
    }
    EXPECT_EQ(audit.Events(), c.events);
  }
}

}  // namespace
}  // namespace kestro
