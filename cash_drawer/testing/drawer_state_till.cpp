#include "cash_drawer/testing/drawer_state_till.h"

#include <vector>

namespace kestro_testing {

DrawerStateTill::DrawerStateTill()
    : spooler(std::make_shared<FakePrintSpooler>()),
      settings(std::make_shared<FakeSettingsStore>()),
      monitor(std::make_shared<FakePortMonitor>(std::map<std::u16string, kestro::TcpPortConfig>{
          {u"IP_10.0.0.7", {"10.0.0.7", 9100, true}}})),
      clock(std::make_shared<ManualDrawerClock>()),
      opener(std::make_shared<FakeLinkOpener>(clock)) {
  spooler->printers = {{u"Office", u"HP LaserJet", u"IP_10.0.0.7"},
                       {u"Receipt", u"EPSON TM-T20II", u"COM2:"},
                       {u"Kitchen", u"Star TSP100", u"USB002"}};
  spooler->default_printer = u"Receipt";
  settings->Set(kestro::SettingScope::kMachine, kestro::kDrawerStateViaList, u"Receipt", u"port");
  settings->Set(kestro::SettingScope::kPolicy, kestro::kDrawerStateViaList, u"Kitchen",
                u"usb:USB002");
  FakeDevice busy = AnsweringDevice({0x12});
  busy.opens = std::vector<kestro::LinkOpenStatus>(1000, kestro::LinkOpenStatus::kBusy);
  opener->Add("tcp:10.0.0.7:9100", busy);
  opener->Add("COM2", AnsweringDevice({0x16}));
  opener->Add("usb:USB002", AnsweringDevice({0x12}));
  opener->Add("COM5", FakeDevice{});
}

kestro::DrawerStateBackend DrawerStateTill::backend() const {
  return {settings, spooler, monitor, opener, clock};
}

}  // namespace kestro_testing
