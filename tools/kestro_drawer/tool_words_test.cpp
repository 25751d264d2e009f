#include "tools/kestro_drawer/tool_words.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cash_drawer/print_spooler.h"

namespace kestro {
namespace {

struct StateCase {
  bool printer;  // else a job
  uint32_t status;
  uint32_t attributes;
  std::string words;
};

TEST(ToolWords, NameEveryStateBitAndKeepTheRestAsHex) {
  const StateCase cases[] = {
      {true, 0, 0, "ready"},
      {true, 0, kPrinterAttributeWorkOffline, "work offline"},
      {true, kPrinterStatusOffline | kPrinterStatusPaused, 0x40, "paused, offline"},
      {true, kPrinterStatusPaperOut | kPrinterStatusError, kPrinterAttributeWorkOffline,
       "error, out of paper, work offline"},
      {true, kPrinterStatusDriverUpdateNeeded | 0x80000000u, 0,
       "driver update needed, status bits 0x80000000"},
      {true, 0xFFFFFFFFu, 0,
       "paused, error, being deleted, paper jam, out of paper, manual feed, paper problem, "
       "offline, I/O active, busy, printing, output bin full, not available, waiting, "
       "processing, initializing, warming up, toner low, no toner, page too complex, needs user "
       "intervention, out of memory, door open, server unknown, power save, server offline, "
       "driver update needed, status bits 0xF8000000"},
      {false, 0, 0, "queued"},
      {false, kJobStatusSpooling, 0, "spooling"},
      {false, 0x3FFFu, 0,
       "paused, error, deleting, spooling, printing, offline, out of paper, printed, deleted, "
       "blocked (the driver cannot print it), needs user intervention, restarting, sent to the "
       "printer, retained"},
      {false, kJobStatusUserIntervention | 0x4000u, 0,
       "needs user intervention, status bits 0x4000"},
  };
  for (const StateCase& c : cases) {
    SCOPED_TRACE(c.words);
    const std::vector<std::string> words =
        c.printer ? PrinterStateWords(c.status, c.attributes) : JobStateWords(c.status);
    EXPECT_EQ(JoinWords(words), c.words);
  }
}

TEST(ToolWords, SpellOutDurationsAndDrawerCommands) {
  const std::pair<int64_t, std::string> durations[] = {
      {-5, "0 ms"},      {1999, "1999 ms"},    {2000, "2 s"},    {119999, "119 s"},
      {120000, "2 min"}, {7199999, "119 min"}, {7200000, "2 h"},
  };
  for (const auto& [milliseconds, words] : durations) {
    EXPECT_EQ(DurationWords(milliseconds), words);
  }
  const std::pair<std::vector<uint8_t>, std::string> commands[] = {
      {{0x1B, 0x70, 0x00, 0x19, 0xFA},
       "ESC p: pulse on connector pin 2 (drawer as number), on 25, off 250"},
      {{0x1B, 0x70, 0x31, 0x00, 0xFF},
       "ESC p: pulse on connector pin 5 (drawer as ASCII digit), on 0, off 255"},
      {{0x1B, 0x07, 0x19, 0x7F, 0x1A},
       "ESC BEL (Star): drive pulse on 25, off 127, external device 2"},
      {{0x1B, 0x70, 0x02, 0x19, 0xFA}, "not a drawer command"},
      {{0x1B, 0x07, 0x19, 0x7F}, "not a drawer command"},
  };
  for (const auto& [command, words] : commands) EXPECT_EQ(DrawerCommandWords(command), words);
}

}  // namespace
}  // namespace kestro
