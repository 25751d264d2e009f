// Where the program puts the cash drawer's audit trail: one call per event of
// audit_events.h. The kicks are reported by whoever sent or watched them (the
// app's channel, the technician's tool), the drawer's state by whoever read
// it (drawer_open_tracker.h), the program's start and end by kestro.exe.
//
// Every call returns at once, after the event has gone where it goes; none
// fails or throws, and a place that cannot be written says so on the
// standard error stream instead. Report after answering the app: an event
// never delays or changes an answer. Calls may come from any thread.

#ifndef KESTRO_AUDIT_DRAWER_AUDIT_H_
#define KESTRO_AUDIT_DRAWER_AUDIT_H_

#include <cstdint>
#include <optional>
#include <string>

namespace kestro {

// Who asked for a kick: the app, through the channel, or a technician,
// through kestro-drawer.
enum class KickRequester { kApp, kTool };

class DrawerAudit {
 public:
  virtual ~DrawerAudit() = default;

  // kestro.exe has started; `version` is its "major.minor.patch".
  virtual void ProgramStarted(const std::string& version) = 0;
  // kestro.exe ends with `exit_code`; `how` says how, in words. A nonzero
  // code is reported as an error.
  virtual void ProgramEnded(const std::string& how, int exit_code) = 0;

  // The spooler took the kick: job `job_id` on `printer`, in `dialect`
  // ("escPos", "escPosAscii" or "starPrnt") for drawer `pin`.
  virtual void KickSent(const std::u16string& printer, uint32_t job_id, const std::string& dialect,
                        int32_t pin, KickRequester requester) = 0;
  // No kick went out: `message` and `error_code` are the answer's (the code
  // is missing where the answer has none). `printer` is empty when none
  // was found.
  virtual void KickNotSent(const std::u16string& printer, const std::string& message,
                           std::optional<int32_t> error_code, KickRequester requester) = 0;
  // A kick still queued was withdrawn after `queued_ms` in the queue (missing
  // when not known).
  virtual void KickWithdrawn(const std::u16string& printer, uint32_t job_id,
                             std::optional<int64_t> queued_ms, KickRequester requester) = 0;
  // A kick was withdrawn `age_ms` after it was sent, while it was printing
  // (or could not be told apart from a printing one): it may have reached
  // the printer and opened the drawer.
  virtual void KickWithdrawnWhilePrinting(const std::u16string& printer, uint32_t job_id,
                                          int64_t age_ms, KickRequester requester) = 0;
  // A kick that may still be queued could not be withdrawn; `error_code` is
  // the failing call's.
  virtual void WithdrawalFailed(const std::u16string& printer, uint32_t job_id, uint32_t error_code,
                                KickRequester requester) = 0;

  // The drawer of `printer` was read open, having not been read open before.
  virtual void DrawerReadOpen(const std::u16string& printer) = 0;
  // The drawer was read closed, `open_ms` after it was first read open.
  virtual void DrawerReadClosed(const std::u16string& printer, int64_t open_ms) = 0;
  // The drawer has been read open for `open_ms`, longer than the
  // administrator's limit of `limit_seconds`.
  virtual void DrawerLeftOpen(const std::u16string& printer, int64_t open_ms,
                              uint32_t limit_seconds) = 0;
};

// The words of a requester in an event: "app" or "tool".
const char* RequesterName(KickRequester requester);

// An audit that keeps nothing, for a program or a test with no trail.
class NullDrawerAudit : public DrawerAudit {
 public:
  void ProgramStarted(const std::string&) override {}
  void ProgramEnded(const std::string&, int) override {}
  void KickSent(const std::u16string&, uint32_t, const std::string&, int32_t,
                KickRequester) override {}
  void KickNotSent(const std::u16string&, const std::string&, std::optional<int32_t>,
                   KickRequester) override {}
  void KickWithdrawn(const std::u16string&, uint32_t, std::optional<int64_t>,
                     KickRequester) override {}
  void KickWithdrawnWhilePrinting(const std::u16string&, uint32_t, int64_t,
                                  KickRequester) override {}
  void WithdrawalFailed(const std::u16string&, uint32_t, uint32_t, KickRequester) override {}
  void DrawerReadOpen(const std::u16string&) override {}
  void DrawerReadClosed(const std::u16string&, int64_t) override {}
  void DrawerLeftOpen(const std::u16string&, int64_t, uint32_t) override {}
};

}  // namespace kestro

#endif  // KESTRO_AUDIT_DRAWER_AUDIT_H_
