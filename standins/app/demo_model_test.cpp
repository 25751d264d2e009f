#include "standins/app/demo_model.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using flutter::EncodableValue;
using flutter::ValueList;
using flutter::ValueMap;
using kestro::standin::DemoItem;
using kestro::standin::DemoItemKind;
using kestro::standin::DemoModel;
using kestro::standin::DescribeDrawerResult;
using kestro::standin::DescribeDrawerState;
using kestro::standin::DrawerProtocol;
using kestro::standin::HitTest;
using kestro::standin::LayOutDemo;

EncodableValue Printer(const char* name, bool is_default) {
  return EncodableValue(ValueMap{{EncodableValue("name"), EncodableValue(name)},
                                 {EncodableValue("driverName"), EncodableValue("Generic")},
                                 {EncodableValue("portName"), EncodableValue("LPT1:")},
                                 {EncodableValue("isDefault"), EncodableValue(is_default)}});
}

const EncodableValue* Lookup(const EncodableValue& map, const char* key) {
  const ValueMap& entries = map.Get<ValueMap>();
  auto found = entries.find(EncodableValue(key));
  return found == entries.end() ? nullptr : &found->second;
}

const DemoItem* FindItem(const std::vector<DemoItem>& items, DemoItemKind kind, int index) {
  for (const DemoItem& item : items) {
    if (item.kind == kind && item.index == index) return &item;
  }
  return nullptr;
}

TEST(DemoModel, SelectsTheDefaultPrinterElseTheFirst) {
  DemoModel model;
  model.SetPrinters(
      EncodableValue(ValueList{Printer("Office Laser", false), Printer("Receipt Printer", true)}));
  ASSERT_EQ(model.printers().size(), 2u);
  EXPECT_EQ(model.selected_printer(), 1u);
  EXPECT_EQ(model.printers()[1].driver_name, "Generic");

  model.SetPrinters(EncodableValue(ValueList{Printer("A", false), EncodableValue(5)}));
  ASSERT_EQ(model.printers().size(), 1u);  // the entry that is not a map is skipped
  EXPECT_EQ(model.selected_printer(), 0u);

  model.SetPrinters(EncodableValue("not a list"));
  EXPECT_TRUE(model.printers().empty());
  EXPECT_FALSE(model.selected_printer().has_value());
}

TEST(DemoModel, OpenDrawerArgumentsFollowTheChoices) {
  const struct {
    DrawerProtocol protocol;
    int drawer;
    const char* protocol_argument;
    int32_t pin;
  } cases[] = {
      {DrawerProtocol::kEscPosNumeric, 0, "escPos", 0},
      {DrawerProtocol::kEscPosAscii, 1, "escPosAscii", 1},
      {DrawerProtocol::kStar, 1, "starPrnt", 1},
      {DrawerProtocol::kStar, 7, "starPrnt", 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.protocol_argument);
    DemoModel model;
    model.SetPrinters(EncodableValue(ValueList{Printer("Receipt Printer", true)}));
    model.SelectProtocol(c.protocol);
    model.SelectDrawer(c.drawer);
    EncodableValue arguments = model.OpenDrawerArguments();
    EXPECT_EQ(Lookup(arguments, "protocol")->Get<std::string>(), c.protocol_argument);
    EXPECT_EQ(Lookup(arguments, "pin")->Get<int32_t>(), c.pin);
    EXPECT_EQ(Lookup(arguments, "printerName")->Get<std::string>(), "Receipt Printer");
  }
}

TEST(DemoModel, WithoutPrintersTheNameIsLeftToTheHost) {
  DemoModel model;
  EXPECT_EQ(Lookup(model.OpenDrawerArguments(), "printerName"), nullptr);
}

TEST(DemoModel, MirrorsAScriptedRequest) {
  DemoModel model;
  model.SetPrinters(
      EncodableValue(ValueList{Printer("Office Laser", true), Printer("Receipt Printer", false)}));
  EncodableValue arguments(
      ValueMap{{EncodableValue("printerName"), EncodableValue("Receipt Printer")},
               {EncodableValue("protocol"), EncodableValue("starPrnt")},
               {EncodableValue("pin"), EncodableValue(int64_t{(int64_t{1} << 32) + 1})}});
  model.MirrorOpenDrawerArguments(&arguments);
  EXPECT_EQ(model.protocol(), DrawerProtocol::kStar);
  EXPECT_EQ(model.drawer(), 1);  // the low 32 bits of the 64-bit pin
  EXPECT_EQ(model.selected_printer(), 1u);

  EncodableValue not_a_map(ValueList{});
  model.MirrorOpenDrawerArguments(&not_a_map);
  model.MirrorOpenDrawerArguments(nullptr);
  EXPECT_EQ(model.protocol(), DrawerProtocol::kStar);
}

TEST(DemoModel, DescribesDrawerResultsInWords) {
  auto result = [](bool success, const char* message, const char* printer,
                   std::optional<int32_t> code) {
    ValueMap map{{EncodableValue("success"), EncodableValue(success)},
                 {EncodableValue("message"), EncodableValue(message)}};
    if (printer) map[EncodableValue("printerName")] = EncodableValue(printer);
    if (code) map[EncodableValue("errorCode")] = EncodableValue(*code);
    return EncodableValue(std::move(map));
  };
  EXPECT_EQ(DescribeDrawerResult(result(true, "The cash drawer command was sent to the printer.",
                                        "Receipt Printer", {})),
            "Opened on Receipt Printer: The cash drawer command was sent to the printer.");
  EXPECT_EQ(DescribeDrawerResult(
                result(false, "Windows could not open the selected printer.", nullptr, 1801)),
            "Failed: Windows could not open the selected printer. (Windows error 1801)");
  EXPECT_EQ(DescribeDrawerResult(result(false, "", nullptr, -5)), "Failed. (Windows error -5)");
  EXPECT_EQ(DescribeDrawerResult(EncodableValue()),
            "The host answered something that is not a result map.");
}

TEST(DemoModel, DescribesDrawerStatesInWords) {
  struct Case {
    ValueMap answer;
    const char* words;
  };
  auto entry = [](const char* key, EncodableValue value) {
    return std::make_pair(EncodableValue(key), std::move(value));
  };
  const Case cases[] = {
      {{entry("state", EncodableValue("open")), entry("level", EncodableValue("low")),
        entry("via", EncodableValue("COM1"))},
       "Drawer open (level low, via COM1)"},
      {{entry("state", EncodableValue("closed")), entry("level", EncodableValue("high")),
        entry("via", EncodableValue("tcp 127.0.0.1:9100"))},
       "Drawer closed (level high, via tcp 127.0.0.1:9100; a drawer that is not connected "
       "reads closed too)"},
      {{entry("state", EncodableValue("unknown")),
        entry("reason", EncodableValue("no direct channel is set for this printer")),
        entry("via", EncodableValue("spooler"))},
       "Drawer state unknown: no direct channel is set for this printer (via spooler)"},
      {{entry("state", EncodableValue("unknown")), entry("reason", EncodableValue("closing"))},
       "Drawer state unknown: closing"},
      {{entry("state", EncodableValue("closed")), entry("via", EncodableValue("COM1")),
        entry("reached", EncodableValue(true)), entry("level", EncodableValue("high"))},
       "Drawer closed (level high, via COM1; a drawer that is not connected reads closed too), "
       "as awaited"},
      {{entry("state", EncodableValue("open")), entry("via", EncodableValue("COM1")),
        entry("reached", EncodableValue(false)), entry("level", EncodableValue("low"))},
       "Drawer open (level low, via COM1), not as awaited"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(DescribeDrawerState(EncodableValue(c.answer)), c.words);
  }
  EXPECT_EQ(DescribeDrawerState(EncodableValue(ValueList{})),
            "The host answered something that is not a state map.");
}

TEST(DemoModel, RemembersWhetherTheLastResultWasGood) {
  DemoModel model;
  model.SetDrawerResult(
      EncodableValue(ValueMap{{EncodableValue("success"), EncodableValue(true)}}));
  EXPECT_TRUE(model.result_ok());
  model.SetChannelError("invalid_arguments", "Cash drawer arguments are missing.");
  EXPECT_FALSE(model.result_ok());
  EXPECT_EQ(model.result_words(),
            "Channel error invalid_arguments: Cash drawer arguments are missing.");
}

TEST(DemoLayout, ClicksLandOnTheItemsTheyShow) {
  DemoModel model;
  model.SetPrinters(
      EncodableValue(ValueList{Printer("Office Laser", false), Printer("Receipt Printer", true)}));
  const std::vector<DemoItem> items = LayOutDemo(model, 1264, 681);
  const DemoItem* row = FindItem(items, DemoItemKind::kPrinterRow, 1);
  ASSERT_NE(row, nullptr);
  EXPECT_TRUE(row->selected);
  EXPECT_NE(row->text.find("(default)"), std::string::npos);
  EXPECT_EQ(row->detail, "Generic \xC2\xB7 LPT1:");
  const DemoItem* star = FindItem(items, DemoItemKind::kProtocolOption, 2);
  ASSERT_NE(star, nullptr);
  EXPECT_EQ(star->text, "Star");

  const struct {
    DemoItemKind kind;
    int index;
  } targets[] = {{DemoItemKind::kPrinterRow, 0},     {DemoItemKind::kPrinterRow, 1},
                 {DemoItemKind::kProtocolOption, 0}, {DemoItemKind::kProtocolOption, 2},
                 {DemoItemKind::kDrawerOption, 1},   {DemoItemKind::kOpenButton, 0}};
  for (const auto& target : targets) {
    const DemoItem* item = FindItem(items, target.kind, target.index);
    ASSERT_NE(item, nullptr);
    std::optional<DemoItem> hit =
        HitTest(items, (item->rect.left + item->rect.right) / 2, item->rect.bottom - 1);
    ASSERT_TRUE(hit.has_value());
    EXPECT_EQ(hit->kind, target.kind);
    EXPECT_EQ(hit->index, target.index);
  }
  // Headings and empty space are not clickable; a busy button neither.
  const DemoItem* title = FindItem(items, DemoItemKind::kTitle, 0);
  ASSERT_NE(title, nullptr);
  EXPECT_FALSE(HitTest(items, title->rect.left + 1, title->rect.top + 1).has_value());
  EXPECT_FALSE(HitTest(items, 1263, 680).has_value());
  model.SetBusy(true);
  const std::vector<DemoItem> busy_items = LayOutDemo(model, 1264, 681);
  const DemoItem* button = FindItem(busy_items, DemoItemKind::kOpenButton, 0);
  ASSERT_NE(button, nullptr);
  EXPECT_EQ(button->text, "Opening...");
  EXPECT_FALSE(HitTest(busy_items, button->rect.left + 1, button->rect.top + 1).has_value());
}

TEST(DemoLayout, PortsShowWithoutTheirFolders) {
  DemoModel model;
  ValueMap printer = Printer("Receipt Printer", true).Get<ValueMap>();
  printer[EncodableValue("portName")] = EncodableValue("|cat >> '/var/spool/out/receipt.bin'");
  model.SetPrinters(EncodableValue(ValueList{EncodableValue(printer)}));
  const std::vector<DemoItem> items = LayOutDemo(model, 1264, 681);
  const DemoItem* row = FindItem(items, DemoItemKind::kPrinterRow, 0);
  ASSERT_NE(row, nullptr);
  EXPECT_EQ(row->detail, "Generic \xC2\xB7 |cat >> '\xE2\x80\xA6/receipt.bin'");
}

TEST(DemoLayout, ItemsDoNotOverlap) {
  DemoModel model;
  model.SetPrinters(
      EncodableValue(ValueList{Printer("A", false), Printer("B", true), Printer("C", false)}));
  model.SetStatus("Script finished.");
  model.SetDrawerState(EncodableValue(ValueMap{{EncodableValue("state"), EncodableValue("open")},
                                               {EncodableValue("via"), EncodableValue("COM1")}}));
  const std::vector<DemoItem> items = LayOutDemo(model, 1264, 681);
  const DemoItem* state = FindItem(items, DemoItemKind::kDrawerState, 0);
  ASSERT_NE(state, nullptr);
  EXPECT_EQ(state->text, "Drawer open (via COM1)");
  const DemoItem* button = FindItem(items, DemoItemKind::kOpenButton, 0);
  ASSERT_NE(button, nullptr);
  EXPECT_EQ(state->rect.top, button->rect.top) << "shown beside the button";
  EXPECT_GT(state->rect.left, button->rect.right);
  for (size_t i = 0; i < items.size(); ++i) {
    for (size_t j = i + 1; j < items.size(); ++j) {
      const auto& a = items[i].rect;
      const auto& b = items[j].rect;
      const bool overlap =
          a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
      EXPECT_FALSE(overlap) << items[i].text << " / " << items[j].text;
    }
  }
}

}  // namespace
