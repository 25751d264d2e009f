#include "standins/app/demo_model.h"

#include <algorithm>
#include <utility>

namespace kestro::standin {
namespace {

using flutter::EncodableValue;
using flutter::ValueList;
using flutter::ValueMap;

const EncodableValue* Find(const ValueMap& map, const char* key) {
  auto found = map.find(EncodableValue(key));
  return found == map.end() ? nullptr : &found->second;
}

std::string StringField(const ValueMap& map, const char* key) {
  const EncodableValue* value = Find(map, key);
  const std::string* text = value ? value->GetIf<std::string>() : nullptr;
  return text ? *text : std::string();
}

bool BoolField(const ValueMap& map, const char* key) {
  const EncodableValue* value = Find(map, key);
  const bool* flag = value ? value->GetIf<bool>() : nullptr;
  return flag != nullptr && *flag;
}

std::optional<int64_t> IntField(const ValueMap& map, const char* key) {
  const EncodableValue* value = Find(map, key);
  if (value == nullptr) return std::nullopt;
  if (const auto* small = value->GetIf<int32_t>()) return *small;
  if (const auto* large = value->GetIf<int64_t>()) return *large;
  return std::nullopt;
}

constexpr int kMargin = 24;
constexpr int kTitleHeight = 40;
constexpr int kHeadingHeight = 30;
constexpr int kRowHeight = 34;
constexpr int kOptionWidth = 190;
constexpr int kOptionHeight = 30;
constexpr int kGap = 12;
constexpr int kButtonWidth = 180;
constexpr int kButtonHeight = 40;
constexpr int kTextHeight = 26;

// Appends items downwards from `top`, all as wide as the view allows.
class Column {
 public:
  Column(int width, std::vector<DemoItem>* items) : width_(width), items_(items) {}

  void Add(DemoItemKind kind, int height, std::string text, int left_width = 0) {
    DemoItem item;
    item.kind = kind;
    item.rect = {kMargin, top_, left_width ? kMargin + left_width : width_ - kMargin,
                 top_ + height};
    item.text = std::move(text);
    items_->push_back(std::move(item));
    top_ += height;
  }
  // An item on the last item's line, to its right, as wide as the view allows.
  void AddBesideLast(DemoItemKind kind, std::string text) {
    DemoItem item;
    item.kind = kind;
    const Rect& last = items_->back().rect;
    item.rect = {last.right + kGap, last.top, width_ - kMargin, last.bottom};
    item.text = std::move(text);
    items_->push_back(std::move(item));
  }
  // Options side by side on one line.
  void AddOptions(DemoItemKind kind, const std::vector<std::string>& labels, int selected) {
    int left = kMargin;
    for (size_t i = 0; i < labels.size(); ++i) {
      DemoItem item;
      item.kind = kind;
      item.index = static_cast<int>(i);
      item.rect = {left, top_, left + kOptionWidth, top_ + kOptionHeight};
      item.text = labels[i];
      item.selected = static_cast<int>(i) == selected;
      items_->push_back(std::move(item));
      left += kOptionWidth + kGap;
    }
    top_ += kOptionHeight;
  }
  void Skip(int height) { top_ += height; }
  DemoItem& last() { return items_->back(); }

 private:
  int width_;
  int top_ = kMargin;
  std::vector<DemoItem>* items_;
};

// A port such as "|cat >> '/a/long/folder/receipt.bin'" without its folders,
// which say nothing to a cashier and would crowd the row.
std::string ShortPort(const std::string& port) {
  const size_t first = port.find('/');
  const size_t last = port.rfind('/');
  if (first == std::string::npos || first == last) return port;
  return port.substr(0, first) + "\xE2\x80\xA6" + port.substr(last);
}

}  // namespace

const char* ProtocolArgument(DrawerProtocol protocol) {
  switch (protocol) {
    case DrawerProtocol::kEscPosAscii:
      return "escPosAscii";
    case DrawerProtocol::kStar:
      return "starPrnt";
    case DrawerProtocol::kEscPosNumeric:
      break;
  }
  return "escPos";
}

const char* ProtocolLabel(DrawerProtocol protocol) {
  switch (protocol) {
    case DrawerProtocol::kEscPosAscii:
      return "ESC/POS ASCII";
    case DrawerProtocol::kStar:
      return "Star";
    case DrawerProtocol::kEscPosNumeric:
      break;
  }
  return "ESC/POS numeric";
}

void DemoModel::SetPrinters(const EncodableValue& list) {
  printers_.clear();
  selected_printer_.reset();
  const auto* entries = list.GetIf<ValueList>();
  if (entries == nullptr) return;
  for (const EncodableValue& entry : *entries) {
    const auto* map = entry.GetIf<ValueMap>();
    if (map == nullptr) continue;
    printers_.push_back(PrinterRow{StringField(*map, "name"), StringField(*map, "driverName"),
                                   StringField(*map, "portName"), BoolField(*map, "isDefault")});
  }
  auto is_default = [](const PrinterRow& row) { return row.is_default; };
  auto found = std::find_if(printers_.begin(), printers_.end(), is_default);
  if (found != printers_.end()) {
    selected_printer_ = static_cast<size_t>(found - printers_.begin());
  } else if (!printers_.empty()) {
    selected_printer_ = 0;
  }
}

void DemoModel::SetDrawerResult(const EncodableValue& result) {
  const auto* map = result.GetIf<ValueMap>();
  result_ok_ = map != nullptr && BoolField(*map, "success");
  result_words_ = DescribeDrawerResult(result);
}

void DemoModel::SetChannelError(const std::string& code, const std::string& message) {
  result_ok_ = false;
  result_words_ = "Channel error " + code + (message.empty() ? "." : ": " + message);
}

void DemoModel::SetDrawerState(const EncodableValue& answer) {
  drawer_state_words_ = DescribeDrawerState(answer);
}

void DemoModel::SetNoAnswer(const std::string& words) {
  result_ok_ = false;
  result_words_ = words;
}

void DemoModel::MirrorOpenDrawerArguments(const EncodableValue* arguments) {
  const auto* map = arguments ? arguments->GetIf<ValueMap>() : nullptr;
  if (map == nullptr) return;
  const std::string protocol = StringField(*map, "protocol");
  if (protocol == "starPrnt") {
    protocol_ = DrawerProtocol::kStar;
  } else if (protocol == "escPosAscii") {
    protocol_ = DrawerProtocol::kEscPosAscii;
  } else {
    protocol_ = DrawerProtocol::kEscPosNumeric;
  }
  // The host keeps the low 32 bits of a 64-bit pin.
  const std::optional<int64_t> pin = IntField(*map, "pin");
  drawer_ = pin && static_cast<int32_t>(static_cast<uint32_t>(*pin)) == 1 ? 1 : 0;
  const std::string name = StringField(*map, "printerName");
  for (size_t i = 0; i < printers_.size() && !name.empty(); ++i) {
    if (printers_[i].name == name) selected_printer_ = i;
  }
}

void DemoModel::SelectPrinter(size_t index) {
  if (index < printers_.size()) selected_printer_ = index;
}

EncodableValue DemoModel::OpenDrawerArguments() const {
  EncodableValue arguments = DrawerStateArguments();
  arguments.GetIf<ValueMap>()->insert_or_assign(EncodableValue("pin"),
                                                EncodableValue(static_cast<int32_t>(drawer_)));
  return arguments;
}

EncodableValue DemoModel::DrawerStateArguments() const {
  ValueMap arguments;
  if (selected_printer_) {
    arguments[EncodableValue("printerName")] = EncodableValue(printers_[*selected_printer_].name);
  }
  arguments[EncodableValue("protocol")] = EncodableValue(ProtocolArgument(protocol_));
  return EncodableValue(std::move(arguments));
}

std::string DescribeDrawerResult(const EncodableValue& result) {
  const auto* map = result.GetIf<ValueMap>();
  if (map == nullptr) return "The host answered something that is not a result map.";
  const bool success = BoolField(*map, "success");
  const std::string printer = StringField(*map, "printerName");
  std::string words = success ? "Opened" : "Failed";
  if (!printer.empty()) words += " on " + printer;
  const std::string message = StringField(*map, "message");
  words += message.empty() ? "." : ": " + message;
  if (auto code = IntField(*map, "errorCode")) {
    words += " (Windows error " + std::to_string(*code) + ")";
  }
  return words;
}

std::string DescribeDrawerState(const EncodableValue& answer) {
  const auto* map = answer.GetIf<ValueMap>();
  if (map == nullptr) return "The host answered something that is not a state map.";
  const std::string state = StringField(*map, "state");
  const std::string via = StringField(*map, "via");
  const std::string level = StringField(*map, "level");
  std::string words;
  if (state == "open" || state == "closed") {
    words = "Drawer " + state + " (";
    if (!level.empty()) words += "level " + level + ", ";
    words += "via " + via;
    if (state == "closed") words += "; a drawer that is not connected reads closed too";
    words += ")";
  } else {
    words = "Drawer state unknown: " + StringField(*map, "reason");
    if (!via.empty()) words += " (via " + via + ")";
  }
  if (const EncodableValue* reached = Find(*map, "reached")) {
    const bool* flag = reached->GetIf<bool>();
    words += flag != nullptr && *flag ? ", as awaited" : ", not as awaited";
  }
  return words;
}

std::vector<DemoItem> LayOutDemo(const DemoModel& model, int width, int height) {
  (void)height;  // the layout runs top to bottom; what does not fit is cut
  std::vector<DemoItem> items;
  Column column(width, &items);
  column.Add(DemoItemKind::kTitle, kTitleHeight, "kestro cash drawer");
  column.Skip(kGap);
  column.Add(DemoItemKind::kHeading, kHeadingHeight, "Printers");
  if (model.printers().empty()) {
    column.Add(DemoItemKind::kStatus, kRowHeight, "No printers listed.");
  }
  for (size_t i = 0; i < model.printers().size(); ++i) {
    const PrinterRow& printer = model.printers()[i];
    column.Add(DemoItemKind::kPrinterRow, kRowHeight,
               printer.name + (printer.is_default ? "  (default)" : ""));
    column.last().index = static_cast<int>(i);
    column.last().detail = printer.driver_name + " \xC2\xB7 " + ShortPort(printer.port_name);
    column.last().selected = model.selected_printer() == i;
  }
  column.Skip(kGap);
  column.Add(DemoItemKind::kHeading, kHeadingHeight, "Protocol");
  column.AddOptions(
      DemoItemKind::kProtocolOption,
      {ProtocolLabel(DrawerProtocol::kEscPosNumeric), ProtocolLabel(DrawerProtocol::kEscPosAscii),
       ProtocolLabel(DrawerProtocol::kStar)},
      static_cast<int>(model.protocol()));
  column.Skip(kGap);
  column.Add(DemoItemKind::kHeading, kHeadingHeight, "Drawer");
  column.AddOptions(DemoItemKind::kDrawerOption, {"Drawer 1", "Drawer 2"}, model.drawer());
  column.Skip(kGap * 2);
  column.Add(DemoItemKind::kOpenButton, kButtonHeight, model.busy() ? "Opening..." : "Open drawer",
             kButtonWidth);
  column.last().enabled = !model.busy();
  if (!model.drawer_state_words().empty())
    column.AddBesideLast(DemoItemKind::kDrawerState, model.drawer_state_words());
  column.Skip(kGap * 2);
  column.Add(DemoItemKind::kHeading, kHeadingHeight, "Last result");
  column.Add(DemoItemKind::kResult, kTextHeight, model.result_words());
  column.last().selected = model.result_ok();
  if (!model.status().empty()) {
    column.Skip(kGap);
    column.Add(DemoItemKind::kStatus, kTextHeight, model.status());
  }
  return items;
}

std::optional<DemoItem> HitTest(const std::vector<DemoItem>& items, int x, int y) {
  for (const DemoItem& item : items) {
    const bool clickable = item.kind == DemoItemKind::kPrinterRow ||
                           item.kind == DemoItemKind::kProtocolOption ||
                           item.kind == DemoItemKind::kDrawerOption ||
                           (item.kind == DemoItemKind::kOpenButton && item.enabled);
    if (clickable && item.rect.Contains(x, y)) return item;
  }
  return std::nullopt;
}

}  // namespace kestro::standin
