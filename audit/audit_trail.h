// The drawer's audit trail: each DrawerAudit call made into one AuditEvent
// (audit_events.h) and handed to every sink, in the order they were given:
// the Windows Event Log (event_log_sink.h) and the local record
// (record_sink.h).

#ifndef KESTRO_AUDIT_AUDIT_TRAIL_H_
#define KESTRO_AUDIT_AUDIT_TRAIL_H_

#include <vector>

#include "audit/audit_events.h"
#include "audit/drawer_audit.h"

namespace kestro {

class AuditTrail : public DrawerAudit {
 public:
  // The sinks are borrowed and must outlive the trail; each must take events
  // from several threads at once.
  explicit AuditTrail(std::vector<AuditSink*> sinks);

  void ProgramStarted(const std::string& version) override;
  void ProgramEnded(const std::string& how, int exit_code) override;
  void KickSent(const std::u16string& printer, uint32_t job_id, const std::string& dialect,
                int32_t pin, KickRequester requester) override;
  void KickNotSent(const std::u16string& printer, const std::string& message,
                   std::optional<int32_t> error_code, KickRequester requester) override;
  void KickWithdrawn(const std::u16string& printer, uint32_t job_id,
                     std::optional<int64_t> queued_ms, KickRequester requester) override;
  void KickWithdrawnWhilePrinting(const std::u16string& printer, uint32_t job_id, int64_t age_ms,
                                  KickRequester requester) override;
  void WithdrawalFailed(const std::u16string& printer, uint32_t job_id, uint32_t error_code,
                        KickRequester requester) override;
  void DrawerReadOpen(const std::u16string& printer) override;
  void DrawerReadClosed(const std::u16string& printer, int64_t open_ms) override;
  void DrawerLeftOpen(const std::u16string& printer, int64_t open_ms,
                      uint32_t limit_seconds) override;

 private:
  // Hands the event of `kind`, with the list's severity, to every sink.
  void Emit(AuditEventKind kind, std::vector<AuditValue> values);
  void Emit(AuditEvent event);

  const std::vector<AuditSink*> sinks_;
};

}  // namespace kestro

#endif  // KESTRO_AUDIT_AUDIT_TRAIL_H_
