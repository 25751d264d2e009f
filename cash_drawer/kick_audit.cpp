#include "cash_drawer/kick_audit.h"

#include <optional>

namespace kestro {
namespace {

// The answer's entry `key` of type T, if it holds one.
template <typename T>
std::optional<T> AnswerEntry(const flutter::ValueMap& answer, const char* key) {
  const auto entry = answer.find(flutter::EncodableValue(key));
  if (entry == answer.end()) return std::nullopt;
  const T* value = entry->second.GetIf<T>();
  return value == nullptr ? std::nullopt : std::optional<T>(*value);
}

}  // namespace

const char* DialectName(DrawerDialect dialect) {
  switch (dialect) {
    case DrawerDialect::kStar:
      return "starPrnt";
    case DrawerDialect::kEscPosAscii:
      return "escPosAscii";
    case DrawerDialect::kEscPosNumeric:
      break;
  }
  return "escPos";
}

void AuditKickSend(DrawerAudit& audit, const OpenDrawerOutcome& kick, KickRequester requester) {
  if (kick.job.sent) {
    audit.KickSent(kick.printer.name, kick.job.job_id,
                   DialectName(DialectOfProtocol(kick.protocol)), kick.pin, requester);
    return;
  }
  audit.KickNotSent(kick.printer.name,
                    AnswerEntry<std::string>(kick.job.answer, "message").value_or(""),
                    AnswerEntry<int32_t>(kick.job.answer, "errorCode"), requester);
}

void AuditKickWatchEnd(DrawerAudit& audit, const std::u16string& printer_name, uint32_t job_id,
                       const KickWatchOutcome& outcome, KickRequester requester) {
  switch (outcome.fate) {
    case KickFate::kLeftQueue:
    case KickFate::kPrinted:
      return;
    case KickFate::kWithdrawn:
      audit.KickWithdrawn(printer_name, job_id, outcome.age_ms, requester);
      return;
    case KickFate::kWithdrawnWhilePrinting:
      audit.KickWithdrawnWhilePrinting(printer_name, job_id, outcome.age_ms, requester);
      return;
    case KickFate::kWithdrawFailed:
    case KickFate::kUnknown:
      break;
  }
  audit.WithdrawalFailed(printer_name, job_id, outcome.error_code, requester);
}

KickWatchAuditor::KickWatchAuditor(DrawerAudit& audit) : audit_(audit) {}

void KickWatchAuditor::KickWatchEnded(const std::u16string& printer_name, uint32_t job_id,
                                      const KickWatchOutcome& outcome) {
  AuditKickWatchEnd(audit_, printer_name, job_id, outcome, KickRequester::kApp);
}

}  // namespace kestro
