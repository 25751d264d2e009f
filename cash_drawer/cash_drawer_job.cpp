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
const char16_t* DataTypeFor(OpenedPrinter& printer) {
  const std::optional<uint32_t> attributes = printer.DriverAttributes();
  const bool xps_driver = attributes && (*attributes & kXpsDriverAttribute) != 0;
  return xps_driver ? kXpsPassDataType : kRawDataType;
}

// Starts the drawer document. A driver that refuses "RAW" as a data type it
// does not take is an XPS-based one whose attributes did not say so, and gets
// one more try as "XPS_PASS".
bool StartDrawerDocument(OpenedPrinter& printer, uint32_t* error_code) {
  const std::u16string document_name = kDrawerDocumentName;
  const std::u16string data_type = DataTypeFor(printer);
  if (printer.StartDocument(document_name, data_type, error_code)) return true;
  if (data_type != kRawDataType || *error_code != kInvalidDataTypeError) return false;
  return printer.StartDocument(document_name, kXpsPassDataType, error_code);
}

// Runs the page of a started document: the page, the write, and the error
// code when the send failed, read before any further spooler call. Ends the
// page it started; the document stays open.
bool SendCommandPage(OpenedPrinter& printer, const std::vector<uint8_t>& command,
                     PrintSpooler& spooler, uint32_t* error_code) {
  const bool page_started = printer.StartPage();
  bool sent = false;
  if (page_started) {
    uint32_t written = 0;
    sent = printer.Write(command, &written) && written == kCommandLength;
  }
  if (!sent) *error_code = spooler.LastErrorCode();
  if (page_started) printer.EndPage();
  return sent;
}

}  // namespace

flutter::ValueMap OpenCashDrawer(const std::u16string& printer_name, const std::string& protocol,
                                 int32_t pin, int32_t pulse_on, int32_t pulse_off,
                                 PrintSpooler& spooler) {
  if (printer_name.empty()) return {{"success", false}, {"message", kNoPrinterMessage}};

  std::unique_ptr<OpenedPrinter> printer = spooler.OpenNamedPrinter(printer_name);
  if (!printer) return Failure(kOpenFailedMessage, spooler.LastErrorCode());

  uint32_t error_code = 0;
  if (!StartDrawerDocument(*printer, &error_code)) {
    printer.reset();
    return Failure(kStartJobFailedMessage, error_code);
  }

  const std::vector<uint8_t> command = BuildDrawerCommand(protocol, pin, pulse_on, pulse_off);
  const bool sent = SendCommandPage(*printer, command, spooler, &error_code);
  printer->EndDocument();
  printer.reset();

  // Entries are placed one by one, since a braced list would copy every
  // string, and in the map's own key order, each at the end.
  flutter::ValueMap result;
  if (!sent) result.emplace_hint(result.end(), "errorCode", ErrorCodeValue(error_code));
  result.emplace_hint(result.end(), "message", sent ? kSentMessage : kSendFailedMessage);
  result.emplace_hint(result.end(), "printerName", ToUtf8String(printer_name));
  result.emplace_hint(result.end(), "success", sent);
  return result;
}

}  // namespace kestro
