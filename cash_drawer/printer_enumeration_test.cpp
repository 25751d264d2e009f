#include "cash_drawer/printer_enumeration.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cash_drawer/testing/fake_print_spooler.h"
#include "codec/testing/value_printer.h"

namespace kestro {
namespace {

using flutter::EncodableValue;
using flutter::ValueList;
using flutter::ValueMap;
using kestro_testing::FakePrintSpooler;
using kestro_testing::SameValue;
using Step = FakePrintSpooler::Step;

EncodableValue PrinterMap(const char* name, const char* driver, const char* port, bool is_default) {
  return ValueMap{
      {"name", name}, {"driverName", driver}, {"portName", port}, {"isDefault", is_default}};
}

std::vector<bool> DefaultFlags(const ValueList& list) {
  std::vector<bool> flags;
  for (const EncodableValue& printer : list) {
    flags.push_back(printer.Get<ValueMap>().at(EncodableValue("isDefault")).Get<bool>());
  }
  return flags;
}

constexpr PrinterInfoLevel kDetails = PrinterInfoLevel::kDetails;
constexpr PrinterInfoLevel kNames = PrinterInfoLevel::kNames;

std::string EnumCall(PrinterInfoLevel level, uint32_t buffer_bytes) {
  return FakePrintSpooler::EnumCall(level, buffer_bytes);
}

TEST(EnumerateInstalledPrinters, NoPrintersMakesOnlyTheSizingCall) {
  FakePrintSpooler spooler;
  EXPECT_TRUE(EnumerateInstalledPrinters(spooler).empty());
  EXPECT_EQ(spooler.calls(), std::vector<std::string>{EnumCall(kDetails, 0)});
}

TEST(EnumerateInstalledPrinters, KeepsTheSpoolersOrderAndDuplicatesAndDropsNamelessRecords) {
  FakePrintSpooler spooler;
  spooler.printers = {
      {u"Zebra", u"ZDesigner", u"USB002"},  {std::nullopt, u"Ghost Driver", u"NUL:"},
      {u"Archive", std::nullopt, u"FILE:"}, {u"Zebra", u"ZDesigner", std::nullopt},
      {u"", std::nullopt, std::nullopt},
  };
  const std::vector<PrinterEntry> entries = EnumerateInstalledPrinters(spooler);
  ASSERT_EQ(entries.size(), 4u);
  const std::vector<std::vector<std::u16string>> expected = {
      {u"Zebra", u"ZDesigner", u"USB002"},
      {u"Archive", u"", u"FILE:"},
      {u"Zebra", u"ZDesigner", u""},
      {u"", u"", u""},
  };
  for (size_t i = 0; i < entries.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ((std::vector<std::u16string>{entries[i].name, entries[i].driver_name,
                                           entries[i].port_name}),
              expected[i]);
  }
  EXPECT_EQ(spooler.calls(),
            (std::vector<std::string>{EnumCall(kDetails, 0),
                                      EnumCall(kDetails, spooler.RecordBytes(kDetails))}));
}

TEST(EnumerateInstalledPrinters, AFailedSecondCallGivesNothingAndIsNotRetried) {
  FakePrintSpooler spooler;
  spooler.printers = {{u"Receipt", u"Driver", u"USB001"}};
  spooler.FailAt(Step::kReadPrinterRecords, 5);
  EXPECT_TRUE(EnumerateInstalledPrinters(spooler).empty());
  EXPECT_EQ(spooler.CountOf(EnumCall(kDetails, 0)), 1);
  EXPECT_EQ(spooler.calls().size(), 3u);  // sizing, reading, the error code
}

// The printers grow after the first `growths` sizing calls, so each of those
// reading calls finds its buffer too small.
struct GrowthCase {
  int growths;
  size_t printers_listed;
  int sizing_calls;
};

TEST(EnumerateInstalledPrinters, SizesAgainWhenThePrintersOutgrowTheBuffer) {
  const GrowthCase cases[] = {
      {0, 1, 1},  // nothing changes
      {1, 2, 2},  // one printer added between sizing and reading
      {2, 3, 3},  // the third and last try succeeds
      {3, 0, 3},  // still too small after three tries: nothing
      {9, 0, 3},  // never more than three tries
  };
  for (const GrowthCase& c : cases) {
    SCOPED_TRACE(c.growths);
    FakePrintSpooler spooler;
    spooler.printers = {{u"First", u"Driver", u"USB001"}};
    spooler.after_enum_sizing = [&](int sizing_calls) {
      if (sizing_calls <= c.growths) spooler.printers.push_back({u"Added", u"Driver", u"LPT1:"});
    };
    EXPECT_EQ(EnumerateInstalledPrinters(spooler).size(), c.printers_listed);
    EXPECT_EQ(spooler.CountOf(EnumCall(kDetails, 0)), c.sizing_calls);
  }
}

TEST(EnumerateInstalledPrinters, APrinterRemovedBeforeTheSecondCallIsSimplyNotListed) {
  FakePrintSpooler spooler;
  spooler.printers = {{u"One", u"D", u"P"}, {u"Two", u"D", u"P"}};
  spooler.after_enum_sizing = [&](int) { spooler.printers.pop_back(); };
  const std::vector<std::u16string> names = InstalledPrinterNames(spooler);
  EXPECT_EQ(names, std::vector<std::u16string>{u"One"});
  EXPECT_EQ(spooler.CountOf(EnumCall(kNames, 0)), 1);
}

// The names come from a level-4 enumeration, which asks no print server.
TEST(InstalledPrinterNames, ListsTheNamesOfANamesOnlyEnumerationInOrder) {
  FakePrintSpooler spooler;
  spooler.printers = {{u"Kitchen", u"D", u"P"}, {std::nullopt, u"D", u"P"}, {u"Bar", u"", u""}};
  EXPECT_EQ(InstalledPrinterNames(spooler), (std::vector<std::u16string>{u"Kitchen", u"Bar"}));
  EXPECT_EQ(spooler.calls(),
            (std::vector<std::string>{EnumCall(kNames, 0),
                                      EnumCall(kNames, spooler.RecordBytes(kNames))}));
}

TEST(DefaultPrinterName, AsksOnceWhenThereIsNoDefault) {
  FakePrintSpooler spooler;
  EXPECT_EQ(DefaultPrinterName(spooler), u"");
  EXPECT_EQ(spooler.calls(), std::vector<std::string>{"GetDefaultPrinterW(0)"});
}

TEST(DefaultPrinterName, ReadsTheNameIntoABufferOfTheReportedSize) {
  FakePrintSpooler spooler;
  spooler.default_printer = u"Office Laser";
  EXPECT_EQ(DefaultPrinterName(spooler), u"Office Laser");
  EXPECT_EQ(spooler.calls(),
            (std::vector<std::string>{"GetDefaultPrinterW(0)", "GetDefaultPrinterW(13)"}));
}

TEST(DefaultPrinterName, AFailedSecondCallGivesAnEmptyName) {
  FakePrintSpooler spooler;
  spooler.default_printer = u"Office Laser";
  spooler.FailAt(Step::kReadDefaultPrinterName, 1722);
  EXPECT_EQ(DefaultPrinterName(spooler), u"");
  EXPECT_EQ(spooler.CountOf("GetDefaultPrinterW(0)"), 1);
}

TEST(DefaultPrinterName, SizesAgainWhenTheNameGrowsInBetween) {
  const GrowthCase cases[] = {{1, 1, 2}, {2, 1, 3}, {3, 0, 3}};
  for (const GrowthCase& c : cases) {
    SCOPED_TRACE(c.growths);
    FakePrintSpooler spooler;
    spooler.default_printer = std::u16string(u"P");
    spooler.after_default_sizing = [&](int sizing_calls) {
      if (sizing_calls <= c.growths) spooler.default_printer += u"rinter";
    };
    const std::u16string name = DefaultPrinterName(spooler);
    EXPECT_EQ(name.empty() ? 0u : 1u, c.printers_listed);
    if (!name.empty()) {
      EXPECT_EQ(name, spooler.default_printer);
    }
    EXPECT_EQ(spooler.CountOf("GetDefaultPrinterW(0)"), c.sizing_calls);
  }
}

TEST(BuildPrinterList, AsksForTheDefaultPrinterBeforeEnumerating) {
  FakePrintSpooler spooler;
  spooler.default_printer = u"Front";
  spooler.printers = {{u"Front", u"D", u"P"}};
  BuildPrinterList(spooler);
  ASSERT_EQ(spooler.calls().size(), 4u);
  EXPECT_EQ(spooler.calls()[0], "GetDefaultPrinterW(0)");
  EXPECT_EQ(spooler.calls()[1], "GetDefaultPrinterW(6)");
  EXPECT_EQ(spooler.calls()[2], EnumCall(kDetails, 0));
}

TEST(BuildPrinterList, DescribesEachPrinterInUtf8) {
  FakePrintSpooler spooler;
  spooler.default_printer = u"RECEIPT";
  spooler.printers = {
      {u"Receipt", u"EPSON TM-T88V Receipt", u"ESDPRT001"},
      {u"Caf\u00E9 Bar", std::nullopt, std::nullopt},
  };
  const EncodableValue expected = ValueList{
      PrinterMap("Receipt", "EPSON TM-T88V Receipt", "ESDPRT001", true),
      PrinterMap("Caf\xC3\xA9 Bar", "", "", false),
  };
  EXPECT_TRUE(SameValue(BuildPrinterList(spooler), expected));
}

TEST(BuildPrinterList, MarksEveryPrinterWhoseFoldedNameIsTheDefaults) {
  struct Case {
    const char* label;
    std::u16string default_printer;  // empty: none
    std::vector<bool> flags;
  };
  const Case cases[] = {
      {"no default", u"", {false, false, false, false}},
      {"default differs in case", u"RECEIPT", {false, true, true, false}},
      {"default not installed", u"Kitchen", {false, false, false, false}},
      {"accented capital is not folded", u"\u00C9TIQUETTE", {false, false, false, false}},
      {"only A to Z folded around the accent", u"\u00E9TIQUETTE", {false, false, false, true}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    FakePrintSpooler spooler;
    spooler.default_printer = c.default_printer;
    spooler.printers = {{u"Zebra", u"", u""},
                        {u"Receipt", u"", u""},
                        {u"receipt", u"", u""},
                        {u"\u00E9tiquette", u"", u""}};
    EXPECT_EQ(DefaultFlags(BuildPrinterList(spooler)), c.flags);
  }
}

TEST(BuildPrinterList, AFailedDefaultQueryMarksNothing) {
  FakePrintSpooler spooler;
  spooler.default_printer = u"Receipt";
  spooler.FailAt(Step::kReadDefaultPrinterName, 5);
  spooler.printers = {{u"Receipt", u"", u""}};
  EXPECT_EQ(DefaultFlags(BuildPrinterList(spooler)), std::vector<bool>{false});
}

TEST(BuildPrinterList, IsEmptyWhenTheEnumerationFails) {
  FakePrintSpooler spooler;
  spooler.printers = {{u"Receipt", u"", u""}};
  spooler.FailAt(Step::kReadPrinterRecords, 1722);
  EXPECT_TRUE(BuildPrinterList(spooler).empty());
}

TEST(FoldCase, MakesOnlyTheCapitalsAToZSmall) {
  struct Case {
    std::u16string text;
    std::u16string folded;
  };
  const Case cases[] = {
      {u"", u""},
      {u"AZ az", u"az az"},
      {u"@[`{", u"@[`{"},  // the neighbours of both letter ranges
      {u"Office LASER 2", u"office laser 2"},
      {u"\u00C9\u00E9\u0130\u0391\u0416", u"\u00C9\u00E9\u0130\u0391\u0416"},
      {u"\uFF21\U0001D400", u"\uFF21\U0001D400"},  // full-width and mathematical A
      {std::u16string(u"A\0B", 3), std::u16string(u"a\0b", 3)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.text));
    EXPECT_EQ(FoldCase(c.text), c.folded);
  }
}

// The comparisons that make no folded copy answer as comparing FoldCase(text)
// would: equal, or holding the folded text anywhere.
TEST(FoldsTo, ComparesAsTheFoldedCopyWould) {
  struct Case {
    std::u16string text;
    std::u16string folded;
    bool folds_to;
    bool contains;
  };
  const Case cases[] = {
      {u"Receipt Printer", u"receipt printer", true, true},
      {u"Receipt Printer", u"printer", false, true},
      {u"Receipt Printer", u"t p", false, true},
      {u"Receipt", u"receipt printer", false, false},  // longer than the text
      {u"Office", u"OFFICE", false, false},            // `folded` is taken as it is
      {u"@[", u"`{", false, false},                    // the neighbours of A and Z
      {u"École", u"école", false, false},              // only A to Z fold
      {std::u16string(u"A\0B", 3), std::u16string(u"a\0b", 3), true, true},
      {u"Kitchen", u"", false, true},
      {u"", u"", true, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.text) + " / " + testing::PrintToString(c.folded));
    EXPECT_EQ(FoldsTo(c.text, c.folded), c.folds_to);
    EXPECT_EQ(FoldedContains(c.text, c.folded), c.contains);
    EXPECT_EQ(FoldsTo(c.text, c.folded), FoldCase(c.text) == c.folded);
    EXPECT_EQ(FoldedContains(c.text, c.folded),
              FoldCase(c.text).find(c.folded) != std::u16string::npos);
  }
}

}  // namespace
}  // namespace kestro
