// The commands of kestro-drawer, run against a PrintSpooler, the drawer's
// direct channels, the machine's settings and the drawer's record with the
// cash drawer service's own code. Each returns what it found as a report;
// report_text.h and report_json.h show it.

#ifndef KESTRO_TOOLS_KESTRO_DRAWER_DRAWER_TOOL_COMMANDS_H_
#define KESTRO_TOOLS_KESTRO_DRAWER_DRAWER_TOOL_COMMANDS_H_

#include <atomic>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "audit/drawer_audit.h"
#include "audit/record_folder.h"
#include "audit/record_reader.h"
#include "cash_drawer/cash_drawer_handler.h"
#include "cash_drawer/drawer_channel_choice.h"
#include "cash_drawer/drawer_kick_watch.h"
#include "cash_drawer/drawer_settings_reader.h"
#include "cash_drawer/kick_clock.h"
#include "cash_drawer/print_spooler.h"
#include "cash_drawer/printer_enumeration.h"
#include "tools/kestro_drawer/drawer_tool_arguments.h"

namespace kestro {

// A spooler call that failed, by its Windows function name, and its
// last-error code.
struct FailedCall {
  const char* function = "";
  uint32_t error_code = 0;
};

// One printer of `list`.
struct PrinterListing {
  ListedPrinter printer;
  // Whether the printer's driver is XPS-based; none when the printer could
  // not be opened or its driver not read.
  std::optional<bool> xps_driver;
};

// What `open` did, and what became of its kick.
struct OpenReport {
  OpenDrawerOutcome outcome;
  // How the watch of the sent kick ended; none when nothing was sent, or when
  // the kick was left unwatched.
  std::optional<KickWatchOutcome> kick;
  // True when a kick was sent but, at a wait of 0 ms, not watched at all.
  bool unwatched = false;
  // The wait for the drawer to read open, when --confirm-ms asked for one
  // and the kick was sent.
  std::optional<DrawerStateOutcome> confirmation;
};

// What `state` found.
struct StateReport {
  DrawerStateCall call;
  DrawerStateOutcome outcome;
  // When no channel is set for the printer: the channel its spooler port
  // would give, or why it gives none.
  std::optional<DrawerChannel> port_channel;
  std::string port_reason;
};

// One printer's queue for `jobs` and `clear`, or the call that kept it from
// being read.
struct QueueReport {
  std::u16string printer;
  std::optional<FailedCall> failure;
  std::vector<JobRecord> jobs;
};

// A drawer kick that `clear` tried to withdraw; `failure` when SetJobW failed.
struct Withdrawal {
  uint32_t job_id = 0;
  std::optional<FailedCall> failure;
};

// One printer of `clear`: its queue as read, and the withdrawals made.
struct ClearReport {
  QueueReport queue;
  std::vector<Withdrawal> withdrawals;
  // The queued jobs that are not drawer kicks, left alone.
  size_t other_jobs = 0;
  // The drawer kicks marked printed, complete or retained, left alone: their
  // bytes have gone to the device, and withdrawing them would stop nothing.
  std::vector<uint32_t> printed_kicks;
};

// What `log` found: the record's lines that pass its filters, oldest first.
struct LogReport {
  // The record's folder, for words.
  std::string folder;
  RecordReading reading;
};

// One number of `config`: the setting, its value and where that came from.
struct SettingReport {
  const NumberSetting* setting;
  EffectiveNumber effective;
};

// One printer of `config`: its entries of the lists DrawerStateVia and
// DrawerOpenLevel in effect, each with where it came from.
struct PrinterConfig {
  std::u16string printer;
  ChannelChoice channel;
  // For a channel of "port": the channel the printer's spooler port gives,
  // or why it gives none.
  std::optional<DrawerChannel> port_channel;
  std::string port_reason;
  OpenLevelChoice open_level;
};

// What `config` found: the machine's settings in effect.
struct ConfigReport {
  // Every number of kNumberSettings, in its order.
  std::vector<SettingReport> numbers;
  // Every installed printer, in the spooler's order.
  std::vector<PrinterConfig> printers;
};

// The kicks of `clear` that SetJobW withdrew.
size_t WithdrawnCount(const ClearReport& clear);

// Whether `job` is a drawer kick: its document bears the drawer job's name.
bool IsDrawerKick(const JobRecord& job);

// The printers the app lists, in its order, each with whether its driver is
// XPS-based (the printer is opened to ask).
std::vector<PrinterListing> ListPrinters(PrintSpooler& spooler);

// Runs "openDrawer" with the arguments the command line gave; the kick is
// not watched yet.
OpenReport OpenDrawer(const DrawerToolArguments& arguments, PrintSpooler& spooler);

// Waits for the drawer to read open after the kick `report` sent, as
// "openDrawer" does with "confirmWithinMs", when the arguments ask for it;
// without `backend` the state is "unknown". Notes it in the report.
void ConfirmSentKick(const DrawerToolArguments& arguments, const DrawerStateBackend* backend,
                     OpenReport* report);

// Watches the kick `report` sent, if any, for `wait_ms` (waiting on `clock`)
// and withdraws it if it is still queued then, so that it cannot open the
// drawer later; notes how that ended in the report. A `wait_ms` of 0 or less
// makes no spooler call: the kick is noted as unwatched, as the app's
// "expireAfterMs" 0 leaves it. `cut_short` (may be null) ends the watch
// early, as WatchKickToEnd says.
void WatchSentKick(int64_t wait_ms, PrintSpooler& spooler, KickClock& clock,
                   const std::atomic<bool>* cut_short, OpenReport* report);

// The queue of `printer` (UTF-16 as given), or of every installed printer
// when it is empty. A shared printer is opened without the local cache
// (printer_opening.h), and a failure names the opening call that failed.
std::vector<QueueReport> ReadQueues(const std::u16string& printer, PrintSpooler& spooler);

// Reads the queues as ReadQueues does and withdraws every drawer kick in
// them that has not printed; other documents are never touched.
std::vector<ClearReport> ClearKicks(const std::u16string& printer, PrintSpooler& spooler);

// Tells `audit` each kick `clear` withdrew, and each it could not, as the
// tool's; how long a withdrawn kick had been queued is counted up to
// `now_unix_ms` from its submission, when known.
void AuditClears(const std::vector<ClearReport>& clears, int64_t now_unix_ms, DrawerAudit& audit);

// Reads the drawer's state as "getDrawerState" does (with --wait, waits as
// "waitForDrawer" does), on the calling thread; without `backend` the state
// is "unknown".
StateReport ReadState(const DrawerToolArguments& arguments, PrintSpooler& spooler,
                      const DrawerStateBackend* backend);

// The record's lines from `since_unix_ms` on (all when none), of `printer`
// only when it is not empty (compared as printer names are, without regard
// to case).
LogReport ReadLog(RecordFolder& folder, const std::u16string& printer,
                  std::optional<int64_t> since_unix_ms);

// The machine's settings in effect: the numbers, then the channel and the
// open level of every installed printer, as a call that asks for none gets
// them (drawer_channel_choice.h), read with the settings' store. A channel of
// "port" is looked up in the printer's spooler port with `monitor`; without
// it (null) the port is not read, and the reason says so.
ConfigReport ReadConfig(DrawerSettingsReader& settings, PrintSpooler& spooler,
                        SpoolerPortMonitor* monitor);

// Whether a command's report holds no failure: for `open`, the kick was sent
// and has left the queue or printed, or was withdrawn while printing (it may
// have reached the printer: only a kick known not to have reached it, or
// whose withdrawal failed, is a failure), or was sent and left unwatched, and
// the drawer read open when a confirmation was asked for; for `state`, the
// state was read (and, for a wait, reached).
bool Succeeded(const OpenReport& report);
bool Succeeded(const StateReport& report);
bool Succeeded(const std::vector<QueueReport>& queues);
bool Succeeded(const std::vector<ClearReport>& clears);
bool Succeeded(const LogReport& log);

}  // namespace kestro

#endif  // KESTRO_TOOLS_KESTRO_DRAWER_DRAWER_TOOL_COMMANDS_H_
