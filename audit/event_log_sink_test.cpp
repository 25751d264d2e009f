// The Event Log sink against a recording writer: each event goes out under
// its id with its values as insertion strings, and a source that is not
// registered, or a log that refuses events, is told once on standard error.

#include "audit/event_log_sink.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "audit/testing/recording_audit.h"
#include "codec/testing/stderr_capture.h"

namespace kestro {
namespace {

using kestro_testing::Event;
using kestro_testing::StderrCapture;

struct LoggedEvent {
  AuditSeverity severity;
  uint32_t event_id;
  std::vector<std::u16string> strings;
  bool operator==(const LoggedEvent& other) const {
    return severity == other.severity && event_id == other.event_id && strings == other.strings;
  }
};

class RecordingWriter : public EventLogWriter {
 public:
  bool registered = true;
  // The reports, counted from 0, that fail, and their code.
  std::set<size_t> failing;
  uint32_t failure_code = 0;
  std::vector<LoggedEvent> reports;
  int registration_checks = 0;

  bool SourceRegistered() override {
    ++registration_checks;
    return registered;
  }
  bool Report(AuditSeverity severity, uint32_t event_id, const std::vector<std::u16string>& strings,
              uint32_t* error_code) override {
    reports.push_back({severity, event_id, strings});
    if (failing.count(reports.size() - 1) == 0) return true;
    *error_code = failure_code;
    return false;
  }
};

const std::vector<AuditEvent> kEvents = {
    Event(AuditEventKind::kKickSent,
          {std::string("K\xc3\xbc"
                       "che"),
           int64_t{12}, std::string("escPos"), int64_t{0}, std::string("app")}),
    Event(AuditEventKind::kKickNotSent,
          {std::string(""), std::string("No printer."), std::monostate(), std::string("tool")}),
    {AuditEventKind::kProgramEnded, AuditSeverity::kError, {std::string("failed"), int64_t{1}}},
};

const std::vector<LoggedEvent> kReports = {
    {AuditSeverity::kInformation, 1100, {u"K\u00fcche", u"12", u"escPos", u"0", u"app"}},
    {AuditSeverity::kError, 1101, {u"", u"No printer.", u"none", u"tool"}},
    {AuditSeverity::kError, 1001, {u"failed", u"1"}},
};

constexpr char kNotRegistered[] =
    "Warning: the Windows Event Log has no source \"kestro\" on this machine (the package "
    "registers it); its cash drawer events show without their text";

TEST(EventLogSink, ReportsEveryEventAndTellsEachTroubleOnce) {
  struct Case {
    const char* name;
    bool registered;
    std::set<size_t> failing;
    std::vector<std::string> lines;
  };
  const std::vector<Case> cases = {
      {"registered, all written", true, {}, {}},
      {"not registered: told at the first event, still reported", false, {}, {kNotRegistered}},
      {"refused twice: told at the first refusal",
       true,
       {1, 2},
       {"Warning: could not write cash drawer events to the Windows Event Log: error 1502"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    RecordingWriter writer;
    writer.registered = c.registered;
    writer.failing = c.failing;
    writer.failure_code = 1502;  // ERROR_LOG_FILE_FULL
    EventLogSink sink(writer);
    StderrCapture capture;
    for (const AuditEvent& event : kEvents) sink.Take(event);
    EXPECT_EQ(capture.TakeLines(), c.lines);
    EXPECT_EQ(writer.reports, kReports);
    EXPECT_EQ(writer.registration_checks, 1);
  }
}

}  // namespace
}  // namespace kestro
