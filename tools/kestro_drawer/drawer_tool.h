// kestro-drawer, the technician's tool at the till: shows the printers and
// their queues as the cash drawer service sees them, sends the drawer kick the
// app would send, withdraws queued kicks, reads the drawer's state as the
// app would, and shows the drawer's record and the machine's settings. See
// drawer_tool_arguments.h for the command line.

#ifndef KESTRO_TOOLS_KESTRO_DRAWER_DRAWER_TOOL_H_
#define KESTRO_TOOLS_KESTRO_DRAWER_DRAWER_TOOL_H_

#include <atomic>
#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "audit/drawer_audit.h"
#include "audit/record_folder.h"
#include "cash_drawer/drawer_settings_reader.h"
#include "cash_drawer/drawer_state_call.h"
#include "cash_drawer/kick_clock.h"
#include "cash_drawer/print_spooler.h"

namespace kestro {

// Exit codes of the tool.
enum DrawerToolExit : int {
  kDrawerToolDone = 0,
  // A spooler call the command needed failed, the kick did not leave the
  // queue in time and was withdrawn before it reached the printer (one
  // withdrawn while printing may have reached it, and counts as done), or
  // the record could not be read.
  kDrawerToolRefused = 1,
  kDrawerToolBadUsage = 2,
};

// What the tool works with besides its arguments.
struct DrawerToolContext {
  PrintSpooler& spooler;
  // The time now, UTC, against which the ages of queued jobs are counted.
  int64_t now_unix_ms;
  // The clock the watch of a sent kick waits on.
  KickClock& clock;
  // Told of each kick the tool sends or withdraws, as the tool's.
  DrawerAudit& audit;
  // The machine's settings, for `config`.
  DrawerSettingsReader& settings;
  // The drawer's record, for `log`.
  RecordFolder& record;
  // What the drawer's state is read with; without it (null) the state
  // cannot be read, and `state` and `open --confirm-ms` say so, and `config`
  // cannot tell what a printer's port gives.
  const DrawerStateBackend* drawer_state = nullptr;
  // Set by another thread (Ctrl+C), which then wakes `clock`: the watch of a
  // sent kick ends at once, withdrawing the kick if it is still queued, and
  // the report follows. None: the watch runs its course.
  const std::atomic<bool>* cut_short = nullptr;
};

// Runs the tool on `args` (UTF-8, without the program name). Reports go to
// `out`; a malformed command line is told on `err` with the usage.
int RunDrawerTool(const std::vector<std::string>& args, const DrawerToolContext& context,
                  std::ostream& out, std::ostream& err);

// Whether `args` is a well-formed `open` command line, the one command that
// sends a kick and may leave it queued if ended before its watch.
bool SendsAKick(const std::vector<std::string>& args);

}  // namespace kestro

#endif  // KESTRO_TOOLS_KESTRO_DRAWER_DRAWER_TOOL_H_
