#include "cash_drawer/printer_resolution.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "cash_drawer/testing/fake_print_spooler.h"

namespace kestro {
namespace {

using kestro_testing::FakePrintSpooler;

struct ResolutionCase {
  const char* label;
  std::vector<std::u16string> installed;
  std::u16string default_printer;  // empty: none
  std::u16string printer_name;
  std::u16string model_hint;
  std::u16string resolved;
  PrinterRule rule;  // the default printer is asked for by its rule only
};

const std::vector<std::u16string> kOffice = {u"Office Laser", u"Receipt Printer"};
const std::u16string kLaser = u"Office Laser";

const ResolutionCase kResolutionCases[] = {
    {"exact name in the installed case", kOffice, kLaser, u"receipt printer", u"",
     u"Receipt Printer", PrinterRule::kInstalledName},
    {"hint in capitals", kOffice, kLaser, u"", u"RECEIPT", u"Receipt Printer",
     PrinterRule::kModelHint},
    {"hint matches the earliest printer", kOffice, kLaser, u"", u"er", u"Office Laser",
     PrinterRule::kModelHint},
    {"hint beats an unmatched name", kOffice, kLaser, u"Kitchen", u"laser", u"Office Laser",
     PrinterRule::kModelHint},
    {"unmatched name beats the default", kOffice, kLaser, u"Kitchen", u"thermal", u"Kitchen",
     PrinterRule::kUnmatchedName},
    {"default when nothing matches", kOffice, kLaser, u"", u"thermal", u"Office Laser",
     PrinterRule::kDefaultPrinter},
    {"nothing named and no default", kOffice, u"", u"", u"", u"", PrinterRule::kDefaultPrinter},
    {"default without installed printers",
     {},
     u"Network Receipt",
     u"",
     u"",
     u"Network Receipt",
     PrinterRule::kDefaultPrinter},
    {"default taken as the spooler names it", kOffice, u"OFFICE laser", u"", u"", u"OFFICE laser",
     PrinterRule::kDefaultPrinter},
    {"exact name beats an earlier hint match", kOffice, kLaser, u"RECEIPT PRINTER", u"Office",
     u"Receipt Printer", PrinterRule::kInstalledName},
    {"exact name wins over a longer one containing it",
     {u"Receipt Printer 2", u"Receipt Printer"},
     u"",
     u"receipt printer",
     u"",
     u"Receipt Printer",
     PrinterRule::kInstalledName},
    {"earliest of two exact matches",
     {u"Bar", u"BAR"},
     u"",
     u"bar",
     u"",
     u"Bar",
     PrinterRule::kInstalledName},
    {"hint at the end of a name", kOffice, kLaser, u"", u"printer", u"Receipt Printer",
     PrinterRule::kModelHint},
    {"hint longer than every name", kOffice, kLaser, u"", u"Receipt Printer XL", u"Office Laser",
     PrinterRule::kDefaultPrinter},
    {"accented capital does not match its small letter",
     {u"\u00E9tiquette"},
     u"",
     u"\u00C9TIQUETTE",
     u"",
     u"\u00C9TIQUETTE",
     PrinterRule::kUnmatchedName},
    {"accented name matches itself, ASCII case ignored",
     {u"\u00C9tiquette"},
     u"",
     u"\u00C9TIQUETTE",
     u"\u00C9tiq",
     u"\u00C9tiquette",
     PrinterRule::kInstalledName},
    {"unmatched name without installed printers",
     {},
     u"Office Laser",
     u"Kitchen",
     u"",
     u"Kitchen",
     PrinterRule::kUnmatchedName},
    {"driver names are never searched", kOffice, u"", u"", u"EPSON", u"",
     PrinterRule::kDefaultPrinter},
};

TEST(ResolvePrinterName, AppliesTheFourRulesInOrder) {
  for (const ResolutionCase& c : kResolutionCases) {
    SCOPED_TRACE(c.label);
    FakePrintSpooler spooler;
    for (const std::u16string& name : c.installed) {
      spooler.printers.push_back({name, u"EPSON TM-T20II", u"USB001"});
    }
    spooler.default_printer = c.default_printer;
    const PrinterChoice choice = ChoosePrinter(c.printer_name, c.model_hint, spooler);
    EXPECT_EQ(choice.name, c.resolved);
    EXPECT_EQ(choice.rule, c.rule);
    EXPECT_EQ(spooler.CountOf(FakePrintSpooler::EnumCall(PrinterInfoLevel::kNames, 0)), 1);
    EXPECT_EQ(spooler.CountOf(FakePrintSpooler::EnumCall(PrinterInfoLevel::kDetails, 0)), 0);
    EXPECT_EQ(spooler.CountOf("GetDefaultPrinterW(0)"), c.rule == PrinterRule::kDefaultPrinter);
  }
}

TEST(ResolvePrinterName, AFailedEnumerationLeavesTheNameOrTheDefault) {
  FakePrintSpooler spooler;
  spooler.printers = {{u"Receipt Printer", u"", u""}};
  spooler.default_printer = u"Office Laser";
  spooler.FailAt(FakePrintSpooler::Step::kReadPrinterRecords, 5);
  EXPECT_EQ(ResolvePrinterName(u"receipt printer", u"", spooler), u"receipt printer");
  EXPECT_EQ(ResolvePrinterName(u"", u"Receipt", spooler), u"Office Laser");
}

}  // namespace
}  // namespace kestro
