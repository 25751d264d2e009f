// Audit events as tests see them: a sink that keeps every event it takes,
// an audit trail that reports to it, and the events a test expects.

#ifndef KESTRO_AUDIT_TESTING_RECORDING_AUDIT_H_
#define KESTRO_AUDIT_TESTING_RECORDING_AUDIT_H_

#include <mutex>
#include <ostream>
#include <vector>

#include "audit/audit_events.h"
#include "audit/audit_trail.h"

namespace kestro {
// Shows an event in a failed expectation: its name, severity and values.
void PrintTo(const AuditEvent& event, std::ostream* out);
}  // namespace kestro

namespace kestro_testing {

// Keeps the events it takes, in order; takes them from any thread.
class RecordingSink : public kestro::AuditSink {
 public:
  void Take(const kestro::AuditEvent& event) override;
  std::vector<kestro::AuditEvent> Events();

 private:
  std::mutex mutex_;
  std::vector<kestro::AuditEvent> events_;  // guarded by mutex_
};

// The audit trail the program uses, reporting to one recording sink.
struct RecordingAudit {
  RecordingSink sink;
  kestro::AuditTrail trail{{&sink}};

  std::vector<kestro::AuditEvent> Events() { return sink.Events(); }
};

// The event of `kind` with the list's severity and `values`.
kestro::AuditEvent Event(kestro::AuditEventKind kind, std::vector<kestro::AuditValue> values);

}  // namespace kestro_testing

#endif  // KESTRO_AUDIT_TESTING_RECORDING_AUDIT_H_
