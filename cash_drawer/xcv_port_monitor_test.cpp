#include "cash_drawer/xcv_port_monitor.h"

#include <gtest/gtest.h>

#include <deque>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "text/hex.h"

namespace kestro {
namespace {

using Bytes = std::vector<uint8_t>;

// The offsets Microsoft documents for PORT_DATA_1, written out here rather
// than taken from the header under test.
constexpr size_t kProtocolAt = 132;
constexpr size_t kHostAt = 144;
constexpr size_t kIpAddressAt = 378;
constexpr size_t kPortNumberAt = 952;
constexpr size_t kRecordSize = 964;

void PutDword(Bytes* bytes, size_t offset, uint32_t value) {
  for (int i = 0; i < 4; ++i) (*bytes)[offset + i] = static_cast<uint8_t>(value >> (8 * i));
}

void PutText(Bytes* bytes, size_t offset, const std::u16string& text) {
  for (size_t i = 0; i < text.size(); ++i) {
    (*bytes)[offset + 2 * i] = static_cast<uint8_t>(text[i]);
    (*bytes)[offset + 2 * i + 1] = static_cast<uint8_t>(text[i] >> 8);
  }
}

Bytes Record(const std::u16string& host, uint32_t port, uint32_t protocol,
             const std::u16string& ip_address = u"", size_t size = kRecordSize) {
  Bytes record(std::max(size, kRecordSize), 0);
  PutDword(&record, kProtocolAt, protocol);
  PutText(&record, kHostAt, host);
  PutText(&record, kIpAddressAt, ip_address);
  PutDword(&record, kPortNumberAt, port);
  record.resize(size);
  return record;
}

// The transceive calls: opening fails for the accesses the test names, and
// each XcvDataW call takes the next answer. Every call is logged.
class FakeXcvCalls : public XcvCalls {
 public:
  struct Answer {
    bool ok = true;
    uint32_t error = 0;
    uint32_t status = 0;
    uint32_t needed = 0;
    Bytes record;  // copied into the output buffer, as much as fits
  };

  std::unique_ptr<Port> Open(const std::u16string& port_name, uint32_t access,
                             uint32_t* error) override {
    log.push_back("open " + std::string(port_name.begin(), port_name.end()) + " access " +
                  std::to_string(access));
    if (open_errors.count(access) != 0) {
      *error = open_errors[access];
      return nullptr;
    }
    return std::make_unique<FakePort>(this);
  }

  std::map<uint32_t, uint32_t> open_errors;
  std::deque<Answer> answers;
  std::vector<std::string> log;

 private:
  class FakePort : public Port {
   public:
    explicit FakePort(FakeXcvCalls* calls) : calls_(calls) {}
    ~FakePort() override { calls_->log.push_back("close"); }

    bool Data(const std::u16string& command, const Bytes& input, Bytes* output, uint32_t* needed,
              uint32_t* status, uint32_t* error) override {
      calls_->log.push_back(std::string(command.begin(), command.end()) + " " + text::ToHex(input) +
                            " into " + std::to_string(output->size()));
      const Answer answer = calls_->answers.front();
      calls_->answers.pop_front();
      std::copy_n(answer.record.begin(), std::min(answer.record.size(), output->size()),
                  output->begin());
      *needed = answer.needed;
      *status = answer.status;
      *error = answer.error;
      return answer.ok;
    }

   private:
    FakeXcvCalls* calls_;
  };
};

TEST(XcvPortMonitorTest, AsksTheMonitorAndReadsItsAnswer) {
  using Answer = FakeXcvCalls::Answer;
  const Bytes raw = Record(u"192.168.1.50", 9100, 1);
  const std::string port = "IP_192.168.1.50";
  const std::string open_administer = "open " + port + " access 1";
  // CONFIG_INFO_DATA_1: 128 reserved bytes, version 1.
  const std::string config_info_data_1 = std::string(256, '0') + "01000000";
  const std::string ask = "GetConfigInfo " + config_info_data_1 + " into 964";
  const std::string call = "XcvDataW GetConfigInfo on \",XcvPort " + port + "\"";
  struct Case {
    const char* what;
    std::map<uint32_t, uint32_t> open_errors;
    std::vector<Answer> answers;
    std::optional<TcpPortConfig> config;
    std::string reason;
    std::vector<std::string> log;
  };
  const Case cases[] = {
      {"a RAW port",
       {},
       {{true, 0, 0, 964, raw}},
       TcpPortConfig{"192.168.1.50", 9100, true},
       "",
       {open_administer, ask, "close"}},
      {"an LPR port, by its IP address",
       {},
       {{true, 0, 0, 964, Record(u"", 515, 2, u"10.0.0.9")}},
       TcpPortConfig{"10.0.0.9", 515, false},
       "",
       {open_administer, ask, "close"}},
      {"a user who may not administer",
       {{1, 5}},
       {{true, 0, 0, 964, raw}},
       TcpPortConfig{"192.168.1.50", 9100, true},
       "",
       {open_administer, "open " + port + " access 2", ask, "close"}},
      {"no such port",
       {{1, 1796}},
       {},
       std::nullopt,
       "OpenPrinterW on \",XcvPort " + port + "\" failed with error 1796",
       {open_administer}},
      {"refused by both accesses",
       {{1, 5}, {2, 5}},
       {},
       std::nullopt,
       "OpenPrinterW on \",XcvPort " + port + "\" failed with error 5",
       {open_administer, "open " + port + " access 2"}},
      {"a failed call",
       {},
       {{false, 6, 0, 0, {}}},
       std::nullopt,
       call + " failed with error 6",
       {open_administer, ask, "close"}},
      {"a monitor that knows no GetConfigInfo",
       {},
       {{true, 0, 87, 0, {}}},
       std::nullopt,
       call + " failed with error 87",
       {open_administer, ask, "close"}},
      {"a larger answer",
       {},
       {{true, 0, 122, 1000, {}}, {true, 0, 0, 1000, Record(u"printer", 9100, 1, u"", 1000)}},
       TcpPortConfig{"printer", 9100, true},
       "",
       {open_administer, ask, "GetConfigInfo " + config_info_data_1 + " into 1000", "close"}},
      {"a larger answer twice",
       {},
       {{true, 0, 122, 1000, {}}, {true, 0, 122, 2000, {}}},
       std::nullopt,
       call + " failed with error 122",
       {open_administer, ask, "GetConfigInfo " + config_info_data_1 + " into 1000", "close"}},
      {"an answer past the bound",
       {},
       {{true, 0, 122, 65537, {}}},
       std::nullopt,
       call + " asked for 65537 bytes, more than 65536",
       {open_administer, ask, "close"}},
      {"a short answer",
       {},
       {{true, 0, 0, 900, raw}},
       std::nullopt,
       "the port " + port + " answered a configuration of 900 bytes, not 964",
       {open_administer, ask, "close"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    FakeXcvCalls calls;
    calls.open_errors = c.open_errors;
    calls.answers.assign(c.answers.begin(), c.answers.end());
    XcvPortMonitor monitor(calls);
    std::string reason;
    const std::optional<TcpPortConfig> config =
        monitor.ReadTcpPort(std::u16string(port.begin(), port.end()), &reason);
    EXPECT_EQ(config.has_value(), c.config.has_value());
    if (config && c.config) {
      EXPECT_EQ(std::make_tuple(config->host, config->port, config->raw),
                std::make_tuple(c.config->host, c.config->port, c.config->raw));
    }
    EXPECT_EQ(reason, c.reason);
    EXPECT_EQ(calls.log, c.log);
  }
}

TEST(XcvPortMonitorTest, ANameWithANulIsNoPort) {
  FakeXcvCalls calls;
  XcvPortMonitor monitor(calls);
  std::string reason;
  EXPECT_EQ(monitor.ReadTcpPort(std::u16string(u"IP_1\0x", 6), &reason).has_value(), false);
  EXPECT_EQ(reason, "the port name holds a NUL character");
  EXPECT_TRUE(calls.log.empty());
}

TEST(ParsePortData1Test, RefusesWhatCannotBeRead) {
  const std::u16string longest_host(49, u'h');  // fills its array, no NUL
  struct Case {
    Bytes record;
    std::optional<std::string> host;
    std::string reason;
  };
  const Case cases[] = {
      {Record(longest_host, 9100, 1), std::string(49, 'h'), ""},
      {Record(u"host", 9100, 1, u"", 963), std::nullopt, "a configuration of 963 bytes, not 964"},
      {Record(u"", 9100, 1), std::nullopt, "a configuration without a host"},
      {Record(u"host", 0, 1), std::nullopt, "a configuration with the port number 0"},
      {Record(u"host", 65536, 1), std::nullopt, "a configuration with the port number 65536"},
      {Record(u"host", 9100, 3), std::nullopt, "a configuration with the unknown protocol 3"},
  };
  for (const Case& c : cases) {
    std::string reason;
    const std::optional<TcpPortConfig> config = ParsePortData1(c.record, &reason);
    EXPECT_EQ(config ? std::optional<std::string>(config->host) : std::nullopt, c.host);
    EXPECT_EQ(reason, c.reason);
  }
}

}  // namespace
}  // namespace kestro
