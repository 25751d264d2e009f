// The drawer's audit events: what each one is called, its fixed id in the
// Windows Event Log (the message table of kestro.exe, kestro_messages.mc,
// holds its text under the same id), how serious it is, and the fields it
// carries, in the order the Event Log takes them as insertion strings (%1,
// %2, ...) and the local record writes them.
//
// The list below is the one place these are written: the code, the message
// table's checks and the end-to-end tests all read it.

#ifndef KESTRO_AUDIT_AUDIT_EVENTS_H_
#define KESTRO_AUDIT_AUDIT_EVENTS_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <variant>
#include <vector>

namespace kestro {

// X(kind, event id, name, severity, field names...)
#define KESTRO_AUDIT_EVENTS(X)                                                                     \
  X(kProgramStarted, 1000, "programStarted", kInformation, "version")                              \
  X(kProgramEnded, 1001, "programEnded", kInformation, "how", "exitCode")                          \
  X(kKickSent, 1100, "kickSent", kInformation, "printer", "jobId", "dialect", "pin", "requester")  \
  X(kKickNotSent, 1101, "kickNotSent", kError, "printer", "message", "errorCode", "requester")     \
  X(kKickWithdrawn, 1102, "kickWithdrawn", kWarning, "printer", "jobId", "queuedMs", "requester")  \
  X(kWithdrawalFailed, 1103, "withdrawalFailed", kError, "printer", "jobId", "errorCode",          \
    "requester")                                                                                   \
  X(kKickWithdrawnWhilePrinting, 1104, "kickWithdrawnWhilePrinting", kWarning, "printer", "jobId", \
    "ageMs", "requester")                                                                          \
  X(kDrawerReadOpen, 1200, "drawerReadOpen", kInformation, "printer")                              \
  X(kDrawerReadClosed, 1201, "drawerReadClosed", kInformation, "printer", "openMs")                \
  X(kDrawerLeftOpen, 1202, "drawerLeftOpen", kWarning, "printer", "openMs", "limitSeconds")

enum class AuditEventKind {
#define KESTRO_AUDIT_KIND(kind, ...) kind,
  KESTRO_AUDIT_EVENTS(KESTRO_AUDIT_KIND)
#undef KESTRO_AUDIT_KIND
};

// The Event Log's event types, as a reader of the log expects them.
enum class AuditSeverity { kInformation, kWarning, kError };

// What the list says of one event.
struct AuditEventInfo {
  AuditEventKind kind;
  uint32_t event_id;
  const char* name;
  AuditSeverity severity;
  std::vector<const char*> fields;
};

// Every event, in the list's order.
const std::vector<AuditEventInfo>& AuditEventCatalogue();

// The list's entry for `kind`.
const AuditEventInfo& InfoOf(AuditEventKind kind);

// One field's value: none (an error code the answer did not carry, an age
// that is not known), a whole number, or UTF-8 text.
using AuditValue = std::variant<std::monostate, int64_t, std::string>;

// One event as it happened: its kind, its severity (the list's, except that
// a program that ended with a failure is an error), and one value per field
// of the list, in its order.
struct AuditEvent {
  AuditEventKind kind;
  AuditSeverity severity;
  std::vector<AuditValue> values;

  bool operator==(const AuditEvent& other) const {
    return kind == other.kind && severity == other.severity && values == other.values;
  }
};

// A value as an insertion string of the Event Log: a number in decimal,
// none as "none".
std::string AuditValueText(const AuditValue& value);

// Where events go: the Event Log, the local record. Take() is called from any
// thread, and from several at once; it never fails and never throws.
class AuditSink {
 public:
  virtual ~AuditSink() = default;
  virtual void Take(const AuditEvent& event) = 0;
};

}  // namespace kestro

#endif  // KESTRO_AUDIT_AUDIT_EVENTS_H_
