// The Windows Event Log behind EventLogWriter: the source "kestro" of the
// Application log, registered once for the writer's life.

#ifndef KESTRO_AUDIT_EVENT_LOG_WRITER_WIN_H_
#define KESTRO_AUDIT_EVENT_LOG_WRITER_WIN_H_

#include <windows.h>

#include "audit/event_log_sink.h"

namespace kestro {

class SystemEventLogWriter : public EventLogWriter {
 public:
  // Opens the source (RegisterEventSourceW). When that fails every report
  // fails with its code.
  SystemEventLogWriter();
  // Closes it (DeregisterEventSource).
  ~SystemEventLogWriter() override;

  SystemEventLogWriter(const SystemEventLogWriter&) = delete;
  SystemEventLogWriter& operator=(const SystemEventLogWriter&) = delete;

  // Whether kEventSourceKey exists under HKEY_LOCAL_MACHINE.
  bool SourceRegistered() override;
  bool Report(AuditSeverity severity, uint32_t event_id, const std::vector<std::u16string>& strings,
              uint32_t* error_code) override;

 private:
  HANDLE source_;
  DWORD open_error_;
};

}  // namespace kestro

#endif  // KESTRO_AUDIT_EVENT_LOG_WRITER_WIN_H_
