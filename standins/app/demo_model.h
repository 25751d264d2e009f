// What the stand-in app shows in its view: the printers that "listPrinters"
// answered, the protocol and drawer choices, an "Open drawer" button and the
// last drawer result in words. The model is plain data; LayOutDemo places it
// in a view of a given size, and the same layout serves painting and clicks.

#ifndef KESTRO_STANDINS_APP_DEMO_MODEL_H_
#define KESTRO_STANDINS_APP_DEMO_MODEL_H_

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "codec/encodable_value.h"

namespace kestro::standin {

struct PrinterRow {
  std::string name;
  std::string driver_name;
  std::string port_name;
  bool is_default = false;
};

// The three command dialects the app can ask for, in the order shown.
enum class DrawerProtocol { kEscPosNumeric = 0, kEscPosAscii = 1, kStar = 2 };

// The "protocol" argument that selects `protocol`.
const char* ProtocolArgument(DrawerProtocol protocol);
// The label the demo shows for `protocol`.
const char* ProtocolLabel(DrawerProtocol protocol);

class DemoModel {
 public:
  // Takes the printers from a "listPrinters" success value. Entries that are
  // not maps are skipped; missing or mistyped fields read as empty/false.
  // Selects the default printer, else the first, else none.
  void SetPrinters(const flutter::EncodableValue& list);

  // Takes an "openDrawer" success value (the result map).
  void SetDrawerResult(const flutter::EncodableValue& result);
  // Takes a "getDrawerState" or "waitForDrawer" success value: the drawer's
  // state in words, shown beside the "Open drawer" button.
  void SetDrawerState(const flutter::EncodableValue& answer);
  // Shows a channel error reply.
  void SetChannelError(const std::string& code, const std::string& message);
  // Shows an empty (not implemented) reply, or a reply that did not decode.
  void SetNoAnswer(const std::string& words);

  // Mirrors the choices of an "openDrawer" argument map sent by a script, so
  // that the view shows what was asked for. Anything else is ignored.
  void MirrorOpenDrawerArguments(const flutter::EncodableValue* arguments);

  void SelectPrinter(size_t index);
  void SelectProtocol(DrawerProtocol protocol) { protocol_ = protocol; }
  // 0 selects the first drawer output, 1 the second.
  void SelectDrawer(int drawer) { drawer_ = drawer == 1 ? 1 : 0; }
  void SetBusy(bool busy) { busy_ = busy; }
  // A short line about the app's own progress (shown under the result).
  void SetStatus(std::string status) { status_ = std::move(status); }

  // The argument map for "openDrawer" with the current choices. The printer
  // name is left out when no printer is selected.
  flutter::EncodableValue OpenDrawerArguments() const;
  // The argument map for "getDrawerState" with the current printer and
  // protocol.
  flutter::EncodableValue DrawerStateArguments() const;

  // The last result in words, and whether it was a success.
  const std::string& result_words() const { return result_words_; }
  bool result_ok() const { return result_ok_; }
  // The drawer's last read state in words; empty until one was read.
  const std::string& drawer_state_words() const { return drawer_state_words_; }

  const std::vector<PrinterRow>& printers() const { return printers_; }
  std::optional<size_t> selected_printer() const { return selected_printer_; }
  DrawerProtocol protocol() const { return protocol_; }
  int drawer() const { return drawer_; }
  bool busy() const { return busy_; }
  const std::string& status() const { return status_; }

 private:
  std::vector<PrinterRow> printers_;
  std::optional<size_t> selected_printer_;
  DrawerProtocol protocol_ = DrawerProtocol::kEscPosNumeric;
  int drawer_ = 0;
  bool busy_ = false;
  std::string result_words_ = "No drawer has been opened yet.";
  bool result_ok_ = false;
  std::string drawer_state_words_;
  std::string status_;
};

// The result map of "openDrawer" in one sentence, e.g. "Opened on Receipt
// Printer: The cash drawer command was sent to the printer." or "Failed: ...
// (Windows error 1801)".
std::string DescribeDrawerResult(const flutter::EncodableValue& result);

// The answer of "getDrawerState" or "waitForDrawer" in one line, e.g.
// "Drawer open (level low, via COM1)", "Drawer closed (level high, via COM1;
// a drawer that is not connected reads closed too)" or "Drawer state
// unknown: busy (via tcp 127.0.0.1:9100)".
std::string DescribeDrawerState(const flutter::EncodableValue& answer);

struct Rect {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
  bool Contains(int x, int y) const { return x >= left && x < right && y >= top && y < bottom; }
};

enum class DemoItemKind {
  kTitle,
  kHeading,
  kPrinterRow,
  kProtocolOption,
  kDrawerOption,
  kOpenButton,
  kDrawerState,  // beside the button
  kResult,
  kStatus,
};

// One thing drawn in the view. `index` is the printer row, the protocol (as
// DrawerProtocol) or the drawer; 0 for the rest.
struct DemoItem {
  DemoItemKind kind = DemoItemKind::kStatus;
  int index = 0;
  Rect rect;
  std::string text;
  std::string detail;  // a printer's driver and port
  bool selected = false;
  bool enabled = true;
};

// Places the model in a view of `width` x `height` pixels, top to bottom.
std::vector<DemoItem> LayOutDemo(const DemoModel& model, int width, int height);

// The clickable item (printer row, option or enabled button) at (x, y).
std::optional<DemoItem> HitTest(const std::vector<DemoItem>& items, int x, int y);

}  // namespace kestro::standin

#endif  // KESTRO_STANDINS_APP_DEMO_MODEL_H_
