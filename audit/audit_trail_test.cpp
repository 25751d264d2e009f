// The audit trail: each call becomes the one event of the catalogue, with
// every value in the catalogue's field order, handed to every sink in turn.

#include "audit/audit_trail.h"

#include <gtest/gtest.h>

#include <functional>
#include <set>
#include <string>
#include <vector>

#include "audit/testing/recording_audit.h"

namespace kestro {
namespace {

using kestro_testing::Event;
using kestro_testing::RecordingSink;
using Kind = AuditEventKind;

struct TrailCase {
  const char* name;
  std::function<void(DrawerAudit&)> call;
  AuditEvent expected;
};

TEST(AuditTrail, MakesEachCallTheCataloguesEvent) {
  const std::vector<TrailCase> cases = {
      {"started", [](DrawerAudit& a) { a.ProgramStarted("1.0.0"); },
       Event(Kind::kProgramStarted, {std::string("1.0.0")})},
      {"ended", [](DrawerAudit& a) { a.ProgramEnded("the window was closed", 0); },
       Event(Kind::kProgramEnded, {std::string("the window was closed"), int64_t{0}})},
      {"ended with a failure is an error",
       [](DrawerAudit& a) { a.ProgramEnded("the window could not be created", 1); },
       {Kind::kProgramEnded,
        AuditSeverity::kError,
        {std::string("the window could not be created"), int64_t{1}}}},
      {"sent",
       [](DrawerAudit& a) {
         a.KickSent(u"K\u00fcche", 4294967295u, "starPrnt", -1, KickRequester::kTool);
       },
       Event(Kind::kKickSent,
             {std::string("K\xc3\xbc"
                          "che"),
              int64_t{4294967295}, std::string("starPrnt"), int64_t{-1}, std::string("tool")})},
      {"not sent without a printer or a code",
       [](DrawerAudit& a) { a.KickNotSent(u"", "No printer.", std::nullopt, KickRequester::kApp); },
       Event(Kind::kKickNotSent,
             {std::string(), std::string("No printer."), std::monostate(), std::string("app")})},
      {"withdrawn",
       [](DrawerAudit& a) { a.KickWithdrawn(u"Receipt", 12, 30000, KickRequester::kApp); },
       Event(Kind::kKickWithdrawn,
             {std::string("Receipt"), int64_t{12}, int64_t{30000}, std::string("app")})},
      {"withdrawn after an unknown time",
       [](DrawerAudit& a) { a.KickWithdrawn(u"Receipt", 12, std::nullopt, KickRequester::kTool); },
       Event(Kind::kKickWithdrawn,
             {std::string("Receipt"), int64_t{12}, std::monostate(), std::string("tool")})},
      {"withdrawn while printing",
       [](DrawerAudit& a) {
         a.KickWithdrawnWhilePrinting(u"Receipt", 12, 30250, KickRequester::kApp);
       },
       Event(Kind::kKickWithdrawnWhilePrinting,
             {std::string("Receipt"), int64_t{12}, int64_t{30250}, std::string("app")})},
      {"withdrawal failed",
       [](DrawerAudit& a) { a.WithdrawalFailed(u"Receipt", 7, 5, KickRequester::kApp); },
       Event(Kind::kWithdrawalFailed,
             {std::string("Receipt"), int64_t{7}, int64_t{5}, std::string("app")})},
      {"read open", [](DrawerAudit& a) { a.DrawerReadOpen(u"Receipt"); },
       Event(Kind::kDrawerReadOpen, {std::string("Receipt")})},
      {"read closed", [](DrawerAudit& a) { a.DrawerReadClosed(u"Receipt", 4500); },
       Event(Kind::kDrawerReadClosed, {std::string("Receipt"), int64_t{4500}})},
      {"left open", [](DrawerAudit& a) { a.DrawerLeftOpen(u"Receipt", 61000, 60); },
       Event(Kind::kDrawerLeftOpen, {std::string("Receipt"), int64_t{61000}, int64_t{60}})},
  };
  std::set<AuditEventKind> covered;
  for (const TrailCase& c : cases) {
    SCOPED_TRACE(c.name);
    RecordingSink first;
    RecordingSink second;
    AuditTrail trail({&first, &second});
    c.call(trail);
    EXPECT_EQ(first.Events(), std::vector<AuditEvent>{c.expected});
    EXPECT_EQ(second.Events(), first.Events());
    EXPECT_EQ(c.expected.values.size(), InfoOf(c.expected.kind).fields.size());
    covered.insert(c.expected.kind);
  }
  EXPECT_EQ(covered.size(), AuditEventCatalogue().size());
}

}  // namespace
}  // namespace kestro
