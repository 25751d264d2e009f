// The drawer job: the drawer-kick command sent to one printer as a raw
// one-page print job, and the map that tells the app what happened.

#ifndef KESTRO_CASH_DRAWER_CASH_DRAWER_JOB_H_
#define KESTRO_CASH_DRAWER_CASH_DRAWER_JOB_H_

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "cash_drawer/print_spooler.h"
#include "codec/encodable_value.h"

namespace kestro {

// The document the job runs as, and its data types: "RAW" for classic
// drivers, "XPS_PASS" for XPS-based drivers, which run "RAW" data through
// their filter pipeline and pass only "XPS_PASS" data to the device unchanged.
inline constexpr char16_t kDrawerDocumentName[] = u"Kestro - Open cash drawer";
inline constexpr char16_t kRawDataType[] = u"RAW";
inline constexpr char16_t kXpsPassDataType[] = u"XPS_PASS";

// The "message" of each outcome.
inline constexpr char kNoPrinterMessage[] = "No installed or default Windows printer was found.";
inline constexpr char kOpenFailedMessage[] = "Windows could not open the selected printer.";
inline constexpr char kStartJobFailedMessage[] =
    "Windows could not start the cash drawer print job.";
inline constexpr char kSendFailedMessage[] =
    "Windows could not send the cash drawer command to the printer.";
inline constexpr char kSentMessage[] = "The cash drawer command was sent to the printer.";

// Whether the printer's driver is XPS-based, which decides the job's data
// type; std::nullopt when the driver cannot be read.
std::optional<bool> HasXpsDriver(OpenedPrinter& printer);

// What one drawer job did: the answer for the app, and what a caller that
// watches or explains the job needs besides.
struct DrawerJobReport {
  // The map "openDrawer" answers (see OpenCashDrawer).
  flutter::ValueMap answer;
  // True when the spooler accepted all five bytes.
  bool sent = false;
  // The spooler's id of the started document; 0 when none started.
  uint32_t job_id = 0;
  // The data types StartDocPrinterW was given, in order: one, or two when
  // the first was refused.
  std::vector<std::u16string> data_types_tried;
  // The five command bytes.
  std::vector<uint8_t> command;
};

// Opens `printer_name`, sends BuildDrawerCommand(protocol, pin, pulse_on,
// pulse_off) as one raw page, and closes the printer again. The document is
// "XPS_PASS" when the printer's driver is XPS-based, else "RAW". A start
// refused with kInvalidDataTypeError is tried once more in the other data
// type (a shared printer's server judges by its own driver, which may differ
// from the one installed here), and only that second try's code is reported
// when it fails too.
//
// A command reaches the device whole or not at all: a cut command would take
// the next receipt's first bytes as its parameters. So a send that fails once
// the document has started aborts the document (AbortPrinter) instead of
// ending it, which deletes its spool file. A queue that does not spool
// (kPrinterAttributeDirect, read with GetPrinterW only when a write took part
// of the command) has handed those bytes to the port already, and
// AbortPrinter would do nothing: the rest is written after them, and the
// send counts as a success when it all went. When the rest cannot be written
// the answer is the failure it would be anyway (the send's message and the
// first failing write's code): the app cannot tell that part of the command
// reached such a printer. A queue whose attributes cannot be read is treated
// as maybe not spooling: the rest is tried, and the document aborted if that
// fails. Every outcome, failures included, is a map with string keys:
//   "success"      bool, true only when the spooler accepted all five bytes;
//   "message"      string, one of the messages above;
//   "printerName"  string, the opened name, once the document has started;
//   "errorCode"    32-bit integer, the last-error code of the failing step
//                  (bits unchanged), on every failure but an empty name.
// An empty `printer_name` makes no spooler call at all.
DrawerJobReport RunDrawerJob(const std::u16string& printer_name, const std::string& protocol,
                             int32_t pin, int32_t pulse_on, int32_t pulse_off,
                             PrintSpooler& spooler);

// RunDrawerJob's answer alone.
flutter::ValueMap OpenCashDrawer(const std::u16string& printer_name, const std::string& protocol,
                                 int32_t pin, int32_t pulse_on, int32_t pulse_off,
                                 PrintSpooler& spooler);

}  // namespace kestro

#endif  // KESTRO_CASH_DRAWER_CASH_DRAWER_JOB_H_
