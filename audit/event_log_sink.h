// The drawer's events in the Windows Event Log: the Application log, source
// "kestro", whose message texts are the message table of kestro.exe. The
// system calls sit behind EventLogWriter, so that what is reported, and what
// is said when the log cannot be written, is tested without Windows.

#ifndef KESTRO_AUDIT_EVENT_LOG_SINK_H_
#define KESTRO_AUDIT_EVENT_LOG_SINK_H_

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "audit/audit_events.h"

namespace kestro {

// The event source the programs report under, in the Application log.
inline constexpr char16_t kEventSourceName[] = u"kestro";
// Where the package registers it, under HKEY_LOCAL_MACHINE: the values
// EventMessageFile (the installed kestro.exe) and TypesSupported (7).
inline constexpr char16_t kEventSourceKey[] =
    u"SYSTEM\\CurrentControlSet\\Services\\EventLog\\Application\\kestro";

// The Event Log as the sink needs it.
class EventLogWriter {
 public:
  virtual ~EventLogWriter() = default;

  // Whether the event source is registered on this machine. Windows logs the
  // events of a source that is not, but a reader sees their strings without
  // the text around them.
  virtual bool SourceRegistered() = 0;

  // Reports one event (ReportEventW) of `severity` under `event_id` with
  // `strings` as its insertion strings. False when it was not written, with
  // `*error_code` the call's code. Called from several threads at once.
  virtual bool Report(AuditSeverity severity, uint32_t event_id,
                      const std::vector<std::u16string>& strings, uint32_t* error_code) = 0;
};

// Reports each event under the list's id with its values as insertion
// strings (AuditValueText). The first event on a machine where the source is
// not registered says so in one standard error line; the first event the log
// refuses says so in another; neither is said twice, and later events are
// still offered to the log.
class EventLogSink : public AuditSink {
 public:
  // `writer` is borrowed and must outlive the sink.
  explicit EventLogSink(EventLogWriter& writer);

  void Take(const AuditEvent& event) override;

 private:
  EventLogWriter& writer_;
  std::atomic<bool> source_checked_{false};
  std::atomic<bool> failure_told_{false};
};

}  // namespace kestro

#endif  // KESTRO_AUDIT_EVENT_LOG_SINK_H_
