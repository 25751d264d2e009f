#include "audit/audit_events.h"

namespace kestro {

const std::vector<AuditEventInfo>& AuditEventCatalogue() {
#define KESTRO_AUDIT_INFO(kind, id, name, severity, ...) \
  {AuditEventKind::kind, id, name, AuditSeverity::severity, {__VA_ARGS__}},
  static const std::vector<AuditEventInfo> catalogue = {KESTRO_AUDIT_EVENTS(KESTRO_AUDIT_INFO)};
#undef KESTRO_AUDIT_INFO
  return catalogue;
}

const AuditEventInfo& InfoOf(AuditEventKind kind) {
  // The kinds are numbered in the list's order.
  return AuditEventCatalogue()[static_cast<size_t>(kind)];
}

std::string AuditValueText(const AuditValue& value) {
  if (const int64_t* number = std::get_if<int64_t>(&value)) return std::to_string(*number);
  if (const std::string* text = std::get_if<std::string>(&value)) return *text;
  return "none";
}

}  // namespace kestro
