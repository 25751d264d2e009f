// What the end of a kick's watch puts on the audit trail, for each fate, as
// the app's watch observer and as the tool tells it.

#include "cash_drawer/kick_audit.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "audit/testing/recording_audit.h"

namespace kestro {
namespace {

using kestro_testing::Event;
using kestro_testing::RecordingAudit;

TEST(AuditKickWatchEnd, RecordsWithdrawalsAndFailedOnesOnly) {
  struct Case {
    const char* label;
    KickWatchOutcome outcome;
    std::vector<AuditEvent> events;  // as the tool's
  };
  const std::vector<Case> cases = {
      {"left the queue", {KickFate::kLeftQueue, 0, 100}, {}},
      {"printed", {KickFate::kPrinted, 0, 100}, {}},
      {"withdrawn",
       {KickFate::kWithdrawn, 0, 30000},
       {Event(AuditEventKind::kKickWithdrawn,
              {std::string("Receipt"), int64_t{12}, int64_t{30000}, std::string("tool")})}},
      {"withdrawal refused",
       {KickFate::kWithdrawFailed, 5, 30000},
       {Event(AuditEventKind::kWithdrawalFailed,
              {std::string("Receipt"), int64_t{12}, int64_t{5}, std::string("tool")})}},
      {"not known",
       {KickFate::kUnknown, 1801, 30000},
       {Event(AuditEventKind::kWithdrawalFailed,
              {std::string("Receipt"), int64_t{12}, int64_t{1801}, std::string("tool")})}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    RecordingAudit tool;
    AuditKickWatchEnd(tool.trail, u"Receipt", 12, c.outcome, KickRequester::kTool);
    EXPECT_EQ(tool.Events(), c.events);

    // The app's observer tells the same, as the app's.
    RecordingAudit app;
    KickWatchAuditor auditor(app.trail);
    auditor.KickWatchEnded(u"Receipt", 12, c.outcome);
    std::vector<AuditEvent> as_app = c.events;
    for (AuditEvent& event : as_app) event.values.back() = std::string("app");
    EXPECT_EQ(app.Events(), as_app);
  }
}

}  // namespace
}  // namespace kestro
