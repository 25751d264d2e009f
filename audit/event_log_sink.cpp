#include "audit/event_log_sink.h"

#include "codec/stderr_line.h"
#include "text/utf16.h"

namespace kestro {

EventLogSink::EventLogSink(EventLogWriter& writer) : writer_(writer) {}

void EventLogSink::Take(const AuditEvent& event) {
  if (!source_checked_.exchange(true) && !writer_.SourceRegistered()) {
    flutter::WriteStderrLine(
        "Warning: the Windows Event Log has no source \"kestro\" on this machine (the package "
        "registers it); its cash drawer events show without their text");
  }
  std::vector<std::u16string> strings;
  strings.reserve(event.values.size());
  for (const AuditValue& value : event.values) {
    strings.push_back(text::Utf8ToUtf16(AuditValueText(value)));
  }
  uint32_t error_code = 0;
  if (!writer_.Report(event.severity, InfoOf(event.kind).event_id, strings, &error_code) &&
      !failure_told_.exchange(true)) {
    flutter::WriteStderrLine(
        "Warning: could not write cash drawer events to the Windows Event "
        "Log: error " +
        std::to_string(error_code));
  }
}

}  // namespace kestro
