// The words kestro-drawer shows for what the spooler reports (printer and job
// states, ages) and for the drawer command it sends.

#ifndef KESTRO_TOOLS_KESTRO_DRAWER_TOOL_WORDS_H_
#define KESTRO_TOOLS_KESTRO_DRAWER_TOOL_WORDS_H_

#include <cstdint>
#include <string>
#include <vector>

namespace kestro {

// One word or phrase per kPrinterStatus* bit set in `status`, in bit order,
// then "work offline" when `attributes` holds kPrinterAttributeWorkOffline;
// bits without a name as one "status bits 0x..." entry. "ready" when there is
// nothing to say.
std::vector<std::string> PrinterStateWords(uint32_t status, uint32_t attributes);

// The same for the kJobStatus* bits of a queued job; "queued" when none is set.
std::vector<std::string> JobStateWords(uint32_t status);

// `words` joined by ", ".
std::string JoinWords(const std::vector<std::string>& words);

// A duration for people: "850 ms", "75 s", "12 min", "30 h"; each unit is
// used up to twice the next one's size. Negative durations (a clock set back)
// read "0 ms".
std::string DurationWords(int64_t milliseconds);

// A drawer command in words, e.g. "ESC p: pulse on connector pin 2 (drawer as
// number), on 25, off 250"; "not a drawer command" for bytes no dialect makes.
std::string DrawerCommandWords(const std::vector<uint8_t>& command);

}  // namespace kestro

#endif  // KESTRO_TOOLS_KESTRO_DRAWER_TOOL_WORDS_H_
