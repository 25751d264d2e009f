#include "tools/kestro_drawer/tool_words.h"

#include <cstdio>

#include "cash_drawer/print_spooler.h"

namespace kestro {
namespace {

struct BitWord {
  uint32_t bit;
  const char* word;
};

constexpr BitWord kPrinterStatusWords[] = {
    {kPrinterStatusPaused, "paused"},
    {kPrinterStatusError, "error"},
    {kPrinterStatusPendingDeletion, "being deleted"},
    {kPrinterStatusPaperJam, "paper jam"},
    {kPrinterStatusPaperOut, "out of paper"},
    {kPrinterStatusManualFeed, "manual feed"},
    {kPrinterStatusPaperProblem, "paper problem"},
    {kPrinterStatusOffline, "offline"},
    {kPrinterStatusIoActive, "I/O active"},
    {kPrinterStatusBusy, "busy"},
    {kPrinterStatusPrinting, "printing"},
    {kPrinterStatusOutputBinFull, "output bin full"},
    {kPrinterStatusNotAvailable, "not available"},
    {kPrinterStatusWaiting, "waiting"},
    {kPrinterStatusProcessing, "processing"},
    {kPrinterStatusInitializing, "initializing"},
    {kPrinterStatusWarmingUp, "warming up"},
    {kPrinterStatusTonerLow, "toner low"},
    {kPrinterStatusNoToner, "no toner"},
    {kPrinterStatusPagePunt, "page too complex"},
    {kPrinterStatusUserIntervention, "needs user intervention"},
    {kPrinterStatusOutOfMemory, "out of memory"},
    {kPrinterStatusDoorOpen, "door open"},
    {kPrinterStatusServerUnknown, "server unknown"},
    {kPrinterStatusPowerSave, "power save"},
    {kPrinterStatusServerOffline, "server offline"},
    {kPrinterStatusDriverUpdateNeeded, "driver update needed"},
};

constexpr BitWord kJobStatusWords[] = {
    {kJobStatusPaused, "paused"},
    {kJobStatusError, "error"},
    {kJobStatusDeleting, "deleting"},
    {kJobStatusSpooling, "spooling"},
    {kJobStatusPrinting, "printing"},
    {kJobStatusOffline, "offline"},
    {kJobStatusPaperOut, "out of paper"},
    {kJobStatusPrinted, "printed"},
    {kJobStatusDeleted, "deleted"},
    {kJobStatusBlockedDevQ, "blocked (the driver cannot print it)"},
    {kJobStatusUserIntervention, "needs user intervention"},
    {kJobStatusRestart, "restarting"},
    {kJobStatusComplete, "sent to the printer"},
    {kJobStatusRetained, "retained"},
};

std::string Hex(uint32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%X", value);
  return text;
}

// The words of the bits set in `status`, in table order, then the rest as hex.
template <size_t N>
std::vector<std::string> BitWords(uint32_t status, const BitWord (&table)[N]) {
  std::vector<std::string> words;
  uint32_t unnamed = status;
  for (const BitWord& entry : table) {
    if ((status & entry.bit) == 0) continue;
    words.push_back(entry.word);
    unnamed &= ~entry.bit;
  }
  if (unnamed != 0) words.push_back("status bits " + Hex(unnamed));
  return words;
}

}  // namespace

std::vector<std::string> PrinterStateWords(uint32_t status, uint32_t attributes) {
  std::vector<std::string> words = BitWords(status, kPrinterStatusWords);
  if ((attributes & kPrinterAttributeWorkOffline) != 0) words.push_back("work offline");
  if (words.empty()) words.push_back("ready");
  return words;
}

std::vector<std::string> JobStateWords(uint32_t status) {
  std::vector<std::string> words = BitWords(status, kJobStatusWords);
  if (words.empty()) words.push_back("queued");
  return words;
}

std::string JoinWords(const std::vector<std::string>& words) {
  std::string joined;
  for (const std::string& word : words) {
    if (!joined.empty()) joined += ", ";
    joined += word;
  }
  return joined;
}

std::string DurationWords(int64_t milliseconds) {
  constexpr int64_t kSecond = 1000;
  constexpr int64_t kMinute = 60 * kSecond;
  constexpr int64_t kHour = 60 * kMinute;
  if (milliseconds < 0) milliseconds = 0;
  if (milliseconds < 2 * kSecond) return std::to_string(milliseconds) + " ms";
  if (milliseconds < 2 * kMinute) return std::to_string(milliseconds / kSecond) + " s";
  if (milliseconds < 2 * kHour) return std::to_string(milliseconds / kMinute) + " min";
  return std::to_string(milliseconds / kHour) + " h";
}

std::string DrawerCommandWords(const std::vector<uint8_t>& command) {
  if (command.size() == 5 && command[0] == 0x1B && command[1] == 0x70) {
    const uint8_t m = command[2];
    if (m <= 0x01 || m == 0x30 || m == 0x31) {
      const char* pin = (m & 0x01) != 0 ? "5" : "2";
      const char* form = m >= 0x30 ? "ASCII digit" : "number";
      return std::string("ESC p: pulse on connector pin ") + pin + " (drawer as " + form +
             "), on " + std::to_string(command[3]) + ", off " + std::to_string(command[4]);
    }
  }
  if (command.size() == 5 && command[0] == 0x1B && command[1] == 0x07 &&
      (command[4] == 0x07 || command[4] == 0x1A)) {
    return "ESC BEL (Star): drive pulse on " + std::to_string(command[2]) + ", off " +
           std::to_string(command[3]) + ", external device " + (command[4] == 0x1A ? "2" : "1");
  }
  return "not a drawer command";
}

}  // namespace kestro
