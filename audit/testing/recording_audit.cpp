#include "audit/testing/recording_audit.h"

#include <utility>

namespace kestro {

void PrintTo(const AuditEvent& event, std::ostream* out) {
  static const char* const kSeverities[] = {"information", "warning", "error"};
  *out << InfoOf(event.kind).name << " (" << kSeverities[static_cast<int>(event.severity)] << ")";
  for (const AuditValue& value : event.values) {
    if (std::holds_alternative<std::string>(value)) {
      *out << " \"" << std::get<std::string>(value) << "\"";
    } else {
      *out << " " << AuditValueText(value);
    }
  }
}

}  // namespace kestro

namespace kestro_testing {

void RecordingSink::Take(const kestro::AuditEvent& event) {
  std::lock_guard<std::mutex> lock(mutex_);
  events_.push_back(event);
}

std::vector<kestro::AuditEvent> RecordingSink::Events() {
  std::lock_guard<std::mutex> lock(mutex_);
  return events_;
}

kestro::AuditEvent Event(kestro::AuditEventKind kind, std::vector<kestro::AuditValue> values) {
  return {kind, kestro::InfoOf(kind).severity, std::move(values)};
}

}  // namespace kestro_testing
