#include "audit/event_log_writer_win.h"

#include "text/wide_chars.h"

namespace kestro {
namespace {

WORD EventType(AuditSeverity severity) {
  switch (severity) {
    case AuditSeverity::kWarning:
      return EVENTLOG_WARNING_TYPE;
    case AuditSeverity::kError:
      return EVENTLOG_ERROR_TYPE;
    case AuditSeverity::kInformation:
      break;
  }
  return EVENTLOG_INFORMATION_TYPE;
}

}  // namespace

SystemEventLogWriter::SystemEventLogWriter()
    : source_(::RegisterEventSourceW(nullptr, text::AsWideChars(kEventSourceName))),
      open_error_(source_ == nullptr ? ::GetLastError() : ERROR_SUCCESS) {}

SystemEventLogWriter::~SystemEventLogWriter() {
  if (source_ != nullptr) ::DeregisterEventSource(source_);
}

bool SystemEventLogWriter::SourceRegistered() {
  HKEY key = nullptr;
  const LSTATUS status = ::RegOpenKeyExW(HKEY_LOCAL_MACHINE, text::AsWideChars(kEventSourceKey), 0,
                                         KEY_QUERY_VALUE, &key);
  if (status != ERROR_SUCCESS) return false;
  ::RegCloseKey(key);
  return true;
}

bool SystemEventLogWriter::Report(AuditSeverity severity, uint32_t event_id,
                                  const std::vector<std::u16string>& strings,
                                  uint32_t* error_code) {
  if (source_ == nullptr) {
    *error_code = open_error_;
    return false;
  }
  std::vector<LPCWSTR> pointers;
  pointers.reserve(strings.size());
  for (const std::u16string& string : strings) pointers.push_back(text::AsWideChars(string));
  if (::ReportEventW(source_, EventType(severity), 0, event_id, nullptr,
                     static_cast<WORD>(pointers.size()), 0, pointers.data(), nullptr)) {
    return true;
  }
  *error_code = ::GetLastError();
  return false;
}

}  // namespace kestro
