// kestro-drawer's reports in words, for a technician at the till. Text is
// UTF-8; each line ends with "\n".

#ifndef KESTRO_TOOLS_KESTRO_DRAWER_REPORT_TEXT_H_
#define KESTRO_TOOLS_KESTRO_DRAWER_REPORT_TEXT_H_

#include <cstdint>
#include <ostream>
#include <vector>

#include "tools/kestro_drawer/drawer_tool_commands.h"

namespace kestro {

void WriteListText(const std::vector<PrinterListing>& printers, std::ostream& out);

// What `open` sent; `arguments` are the command line's, which say why the
// printer was chosen.
void WriteOpenText(const DrawerToolArguments& arguments, const OpenReport& report,
                   std::ostream& out);

// Whether the drawer read open after the kick; nothing when no confirmation
// was made.
void WriteConfirmationText(const OpenReport& report, std::ostream& out);

// What `state` found, where the channel and the open level came from, and,
// when the state was read, that "closed" cannot prove a drawer is there.
void WriteStateText(const DrawerToolArguments& arguments, const StateReport& report,
                    std::ostream& out);

// What became of the kick `open` sent, or that it was not watched; nothing
// when none was sent.
void WriteKickText(const OpenReport& report, std::ostream& out);

// Ages are counted up to `now_unix_ms`.
void WriteJobsText(const std::vector<QueueReport>& queues, int64_t now_unix_ms, std::ostream& out);

void WriteClearText(const std::vector<ClearReport>& clears, std::ostream& out);

// One line per event, "TIME EVENT field=value ...", each value as its JSON.
void WriteLogText(const LogReport& log, std::ostream& out);

// One line per number, then each printer's channel and open level: a
// channel of "port" shows the channel the printer's port gives.
void WriteConfigText(const ConfigReport& config, std::ostream& out);

}  // namespace kestro

#endif  // KESTRO_TOOLS_KESTRO_DRAWER_REPORT_TEXT_H_
