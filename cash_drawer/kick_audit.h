// What the cash drawer service puts on the audit trail (audit/drawer_audit.h)
// of the kicks it sends and watches, for the app's calls and for the
// technician's tool alike.

#ifndef KESTRO_CASH_DRAWER_KICK_AUDIT_H_
#define KESTRO_CASH_DRAWER_KICK_AUDIT_H_

#include <cstdint>
#include <string>

#include "audit/drawer_audit.h"
#include "cash_drawer/cash_drawer_handler.h"
#include "cash_drawer/drawer_command.h"
#include "cash_drawer/drawer_kick_watch.h"

namespace kestro {

// A dialect's name in an event: "starPrnt", "escPosAscii" or "escPos".
const char* DialectName(DrawerDialect dialect);

// Tells `audit` what an "openDrawer" run did: KickSent when the spooler took
// the command, otherwise KickNotSent with the answer's message and error
// code.
void AuditKickSend(DrawerAudit& audit, const OpenDrawerOutcome& kick, KickRequester requester);

// Tells `audit` how the watch of a kick ended when that is worth a record:
// KickWithdrawn, KickWithdrawnWhilePrinting when it may have reached the
// printer, or WithdrawalFailed when it was not withdrawn and may still be
// queued. A kick that left the queue or printed is no event.
void AuditKickWatchEnd(DrawerAudit& audit, const std::u16string& printer_name, uint32_t job_id,
                       const KickWatchOutcome& outcome, KickRequester requester);

// The watch observer of the app's kicks: tells `audit` (borrowed) as
// AuditKickWatchEnd does.
class KickWatchAuditor : public KickWatchObserver {
 public:
  explicit KickWatchAuditor(DrawerAudit& audit);
  void KickWatchEnded(const std::u16string& printer_name, uint32_t job_id,
                      const KickWatchOutcome& outcome) override;

 private:
  DrawerAudit& audit_;
};

}  // namespace kestro

#endif  // KESTRO_CASH_DRAWER_KICK_AUDIT_H_
