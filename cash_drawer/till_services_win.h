// What kestro.exe and kestro-drawer.exe share at the till: the machine's
// settings from the registry, and the cash drawer's audit trail, to the
// Windows Event Log and to the local record under %ProgramData%, whose limits
// the settings give at each event, with the tracker that turns the drawers'
// readings into events.

#ifndef KESTRO_CASH_DRAWER_TILL_SERVICES_WIN_H_
#define KESTRO_CASH_DRAWER_TILL_SERVICES_WIN_H_

#include "audit/audit_trail.h"
#include "audit/drawer_open_tracker.h"
#include "audit/event_log_sink.h"
#include "audit/event_log_writer_win.h"
#include "audit/record_folder_win.h"
#include "audit/record_sink.h"
#include "cash_drawer/drawer_settings_reader.h"
#include "cash_drawer/registry_settings_store_win.h"

namespace kestro {

class TillServices {
 public:
  // Opens the event source and reads every setting once, so that a value
  // the program will not take is told as it starts.
  TillServices();

  TillServices(const TillServices&) = delete;
  TillServices& operator=(const TillServices&) = delete;

  DrawerSettingsReader& settings() { return settings_; }
  DrawerAudit& audit() { return trail_; }
  RecordFolder& record_folder() { return record_folder_; }
  // Fed each reading of a drawer's state, with ReadOpenWarningSeconds.
  DrawerOpenTracker& tracker() { return tracker_; }

 private:
  RegistrySettingsStore store_;
  DrawerSettingsReader settings_;
  SystemEventLogWriter event_log_writer_;
  EventLogSink event_log_;
  SystemRecordFolder record_folder_;
  RecordSink record_;
  AuditTrail trail_;
  DrawerOpenTracker tracker_;
};

// The time now, UTC, in milliseconds since 1970.
int64_t UnixNowMs();

}  // namespace kestro

#endif  // KESTRO_CASH_DRAWER_TILL_SERVICES_WIN_H_
