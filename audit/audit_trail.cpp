#include "audit/audit_trail.h"

#include <utility>

#include "text/utf16.h"

namespace kestro {
namespace {

AuditValue Text(const std::u16string& text) { return text::Utf16ToUtf8(text); }

AuditValue Requester(KickRequester requester) { return std::string(RequesterName(requester)); }

template <typename Number>
AuditValue Optional(const std::optional<Number>& number) {
  if (!number) return std::monostate();
  return static_cast<int64_t>(*number);
}

}  // namespace

const char* RequesterName(KickRequester requester) {
  return requester == KickRequester::kApp ? "app" : "tool";
}

AuditTrail::AuditTrail(std::vector<AuditSink*> sinks) : sinks_(std::move(sinks)) {}

void AuditTrail::ProgramStarted(const std::string& version) {
  Emit(AuditEventKind::kProgramStarted, {version});
}

void AuditTrail::ProgramEnded(const std::string& how, int exit_code) {
  const AuditSeverity severity =
      exit_code == 0 ? InfoOf(AuditEventKind::kProgramEnded).severity : AuditSeverity::kError;
  Emit({AuditEventKind::kProgramEnded, severity, {how, int64_t{exit_code}}});
}

void AuditTrail::KickSent(const std::u16string& printer, uint32_t job_id,
                          const std::string& dialect, int32_t pin, KickRequester requester) {
  Emit(AuditEventKind::kKickSent,
       {Text(printer), int64_t{job_id}, dialect, int64_t{pin}, Requester(requester)});
}

void AuditTrail::KickNotSent(const std::u16string& printer, const std::string& message,
                             std::optional<int32_t> error_code, KickRequester requester) {
  Emit(AuditEventKind::kKickNotSent,
       {Text(printer), message, Optional(error_code), Requester(requester)});
}

void AuditTrail::KickWithdrawn(const std::u16string& printer, uint32_t job_id,
                               std::optional<int64_t> queued_ms, KickRequester requester) {
  Emit(AuditEventKind::kKickWithdrawn,
       {Text(printer), int64_t{job_id}, Optional(queued_ms), Requester(requester)});
}

void AuditTrail::KickWithdrawnWhilePrinting(const std::u16string& printer, uint32_t job_id,
                                            int64_t age_ms, KickRequester requester) {
  Emit(AuditEventKind::kKickWithdrawnWhilePrinting,
       {Text(printer), int64_t{job_id}, age_ms, Requester(requester)});
}

void AuditTrail::WithdrawalFailed(const std::u16string& printer, uint32_t job_id,
                                  uint32_t error_code, KickRequester requester) {
  Emit(AuditEventKind::kWithdrawalFailed,
       {Text(printer), int64_t{job_id}, int64_t{error_code}, Requester(requester)});
}

void AuditTrail::DrawerReadOpen(const std::u16string& printer) {
  Emit(AuditEventKind::kDrawerReadOpen, {Text(printer)});
}

void AuditTrail::DrawerReadClosed(const std::u16string& printer, int64_t open_ms) {
  Emit(AuditEventKind::kDrawerReadClosed, {Text(printer), open_ms});
}

void AuditTrail::DrawerLeftOpen(const std::u16string& printer, int64_t open_ms,
                                uint32_t limit_seconds) {
  Emit(AuditEventKind::kDrawerLeftOpen, {Text(printer), open_ms, int64_t{limit_seconds}});
}

void AuditTrail::Emit(AuditEventKind kind, std::vector<AuditValue> values) {
  Emit({kind, InfoOf(kind).severity, std::move(values)});
}

void AuditTrail::Emit(AuditEvent event) {
  for (AuditSink* sink : sinks_) sink->Take(event);
}

}  // namespace kestro
