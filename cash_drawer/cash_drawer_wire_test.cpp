// Whole calls as the channel carries them: the call's bytes are decoded by
// the standard method codec, handled, and the answer encoded again, and the
// reply bytes are compared with the standard message format written out.

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "cash_drawer/cash_drawer_handler.h"
#include "cash_drawer/testing/fake_print_spooler.h"
#include "codec/standard_method_codec.h"
#include "codec/testing/recording_result.h"

namespace kestro {
namespace {

using kestro_testing::Answer;
using kestro_testing::EncodeAnswer;
using kestro_testing::FakePrintSpooler;
using kestro_testing::RecordingResult;
using Bytes = std::vector<uint8_t>;

// The standard codec's tags for the values these messages hold.
constexpr uint8_t kNull = 0, kTrue = 1, kFalse = 2, kInt32 = 3, kString = 7, kList = 12, kMap = 13;
constexpr uint8_t kSuccessEnvelope = 0, kErrorEnvelope = 1;

// A string value: tag, one-byte length (all texts here are short), UTF-8.
Bytes Text(const std::string& text) {
  Bytes bytes;
  bytes.push_back(kString);
  bytes.push_back(static_cast<uint8_t>(text.size()));
  for (char c : text) bytes.push_back(static_cast<uint8_t>(c));
  return bytes;
}

Bytes Join(std::initializer_list<Bytes> parts) {
  Bytes joined;
  for (const Bytes& part : parts) joined.insert(joined.end(), part.begin(), part.end());
  return joined;
}

Bytes Reply(const Bytes& call_bytes, FakePrintSpooler& spooler) {
  std::unique_ptr<flutter::MethodCall> call =
      flutter::CodecForSerializer().DecodeCall(call_bytes.data(), call_bytes.size());
  EXPECT_NE(call, nullptr);
  if (call == nullptr) return {};
  Answer answer;
  HandleCashDrawerCall(*call, std::make_unique<RecordingResult>(&answer), spooler);
  EXPECT_EQ(answer.count, 1);
  // Encoded as the engine-side result object does; "not implemented" is the
  // empty reply.
  return EncodeAnswer(answer);
}

FakePrintSpooler ReceiptSpooler() {
  FakePrintSpooler spooler;
  spooler.printers = {{u"Receipt", u"TM-T20", u"USB001"}};
  spooler.default_printer = u"Receipt";
  return spooler;
}

struct WireCase {
  const char* label;
  Bytes call;
  Bytes reply;
};

std::vector<WireCase> WireCases() {
  const Bytes empty_map = {kMap, 0};
  const Bytes sent = Join({{kSuccessEnvelope, kMap, 3},
                           Text("message"),
                           Text("The cash drawer command was sent to the printer."),
                           Text("printerName"),
                           Text("Receipt"),
                           Text("success"),
                           {kTrue}});
  return {
      {"openDrawer with an empty map", Join({Text("openDrawer"), empty_map}), sent},
      {"openDrawer naming an unknown printer",
       Join({Text("openDrawer"), {kMap, 1}, Text("printerName"), Text("Kitchen")}),
       Join({{kSuccessEnvelope, kMap, 3},
             Text("errorCode"),
             {kInt32, 0x09, 0x07, 0x00, 0x00},  // 1801, little-endian
             Text("message"),
             Text("Windows could not open the selected printer."),
             Text("success"),
             {kFalse}})},
      {"openDrawer with null arguments", Join({Text("openDrawer"), {kNull}}),
       Join({{kErrorEnvelope},
             Text("invalid_arguments"),
             Text("Cash drawer arguments are missing."),
             {kNull}})},
      {"listPrinters", Join({Text("listPrinters"), {kNull}}),
       Join({{kSuccessEnvelope, kList, 1, kMap, 4},
             Text("driverName"),
             Text("TM-T20"),
             Text("isDefault"),
             {kTrue},
             Text("name"),
             Text("Receipt"),
             Text("portName"),
             Text("USB001")})},
      {"a name in other letter case", Join({Text("OpenDrawer"), empty_map}), {}},
  };
}

TEST(CashDrawerWire, RepliesAreEncodedInTheStandardFormat) {
  for (const WireCase& c : WireCases()) {
    SCOPED_TRACE(c.label);
    FakePrintSpooler spooler = ReceiptSpooler();
    EXPECT_EQ(Reply(c.call, spooler), c.reply);
  }
}

}  // namespace
}  // namespace kestro
