#include "cash_drawer/cash_drawer_job.h"

#include <memory>
#include <optional>
#include <vector>

#include "cash_drawer/drawer_command.h"
#include "cash_drawer/text_conversion.h"

namespace kestro {
namespace {

constexpr uint32_t kCommandLength = 5;

// The error code travels as a signed 32-bit value with its bits unchanged.
flutter::EncodableValue ErrorCodeValue(uint32_t code) {
  return flutter::EncodableValue(static_cast<int32_t>(code));
}

flutter::ValueMap Failure(const char* message, uint32_t error_code) {
  return {{"success", false}, {"message", message}, {"errorCode", ErrorCodeValue(error_code)}};
}

// The data type in which the printer's driver passes the command bytes to
// the device unchanged. A failed driver query leaves the classic "RAW".
std::u16string DataTypeFor(OpenedPrinter& printer) {
  return HasXpsDriver(printer).value_or(false) ? kXpsPassDataType : kRawDataType;
}

std::u16string OtherDataType(const std::u16string& data_type) {
  return data_type == kRawDataType ? kXpsPassDataType : kRawDataType;
}

// Starts the drawer document: its job id, or 0. A start refused for its data
// type gets one more try in the other one.
uint32_t StartDrawerDocument(OpenedPrinter& printer, DrawerJobReport* report,
                             uint32_t* error_code) {
  const std::u16string document_name = kDrawerDocumentName;
  report->data_types_tried.push_back(DataTypeFor(printer));
  uint32_t job_id =
      printer.StartDocument(document_name, report->data_types_tried.back(), error_code);
  if (job_id != 0 || *error_code != kInvalidDataTypeError) return job_id;
  report->data_types_tried.push_back(OtherDataType(report->data_types_tried.back()));
  return printer.StartDocument(document_name, report->data_types_tried.back(), error_code);
}

// Writes what is left of the command after its first `written` bytes, as
// long as each write takes some; true once all of it is written.
bool WriteRest(OpenedPrinter& printer, const std::vector<uint8_t>& command, uint32_t written) {
  while (written < command.size()) {
    const std::vector<uint8_t> rest(command.begin() + written, command.end());
    uint32_t taken = 0;
    if (!printer.Write(rest, &taken) || taken == 0 || taken > rest.size()) return false;
    written += taken;
  }
  return true;
}

// Sends the command as the started document's one page, reading the error
// code of a failed send before any further spooler call. A sent page is ended
// and the document with it. A failed one is aborted, unless part of it went
// to a queue that does not spool (or may not): that one has reached the port
// already, so the rest is written after it, and the page ended, sent, when
// that works; when it does not, a queue known not to spool is ended (its
// AbortPrinter would do nothing) and any other aborted.
bool SendCommandPage(OpenedPrinter& printer, const std::vector<uint8_t>& command,
                     PrintSpooler& spooler, uint32_t* error_code) {
  const bool page_started = printer.StartPage();
  uint32_t written = 0;
  if (page_started && printer.Write(command, &written) && written == kCommandLength) {
    printer.EndPage();
    printer.EndDocument();
    return true;
  }
  *error_code = spooler.LastErrorCode();
  if (written > 0 && written < kCommandLength) {
    const std::optional<uint32_t> attributes = printer.Attributes();
    const bool spools = attributes && (*attributes & kPrinterAttributeDirect) == 0;
    const bool direct = attributes && !spools;
    if (!spools && WriteRest(printer, command, written)) {
      printer.EndPage();
      printer.EndDocument();
      return true;
    }
    if (direct) {
      printer.EndPage();
      printer.EndDocument();
      return false;
    }
  }
  printer.AbortDocument();
  return false;
}

}  // namespace

std::optional<bool> HasXpsDriver(OpenedPrinter& printer) {
  const std::optional<uint32_t> attributes = printer.DriverAttributes();
  if (!attributes) return std::nullopt;
  return (*attributes & kXpsDriverAttribute) != 0;
}

DrawerJobReport RunDrawerJob(const std::u16string& printer_name, const std::string& protocol,
                             int32_t pin, int32_t pulse_on, int32_t pulse_off,
                             PrintSpooler& spooler) {
  DrawerJobReport report;
  report.command = BuildDrawerCommand(protocol, pin, pulse_on, pulse_off);
  if (printer_name.empty()) {
    report.answer = {{"success", false}, {"message", kNoPrinterMessage}};
    return report;
  }

  std::unique_ptr<OpenedPrinter> printer = spooler.OpenNamedPrinter(printer_name);
  if (!printer) {
    report.answer = Failure(kOpenFailedMessage, spooler.LastErrorCode());
    return report;
  }

  uint32_t error_code = 0;
  report.job_id = StartDrawerDocument(*printer, &report, &error_code);
  if (report.job_id == 0) {
    printer.reset();
    report.answer = Failure(kStartJobFailedMessage, error_code);
    return report;
  }

  report.sent = SendCommandPage(*printer, report.command, spooler, &error_code);
  printer.reset();

  // Entries are placed one by one, since a braced list would copy every
  // string, and in the map's own key order, each at the end.
  flutter::ValueMap& result = report.answer;
  const bool sent = report.sent;
  if (!sent) result.emplace_hint(result.end(), "errorCode", ErrorCodeValue(error_code));
  result.emplace_hint(result.end(), "message", sent ? kSentMessage : kSendFailedMessage);
  result.emplace_hint(result.end(), "printerName", ToUtf8String(printer_name));
  result.emplace_hint(result.end(), "success", sent);
  return report;
}

flutter::ValueMap OpenCashDrawer(const std::u16string& printer_name, const std::string& protocol,
                                 int32_t pin, int32_t pulse_on, int32_t pulse_off,
                                 PrintSpooler& spooler) {
  return RunDrawerJob(printer_name, protocol, pin, pulse_on, pulse_off, spooler).answer;
}

}  // namespace kestro
