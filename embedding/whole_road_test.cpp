// The whole road of one call, natively: the fake engine delivers the bytes
// of a call on the cash drawer channel, the standard method codec decodes
// them, the handler answers, and the reply's bytes reach the engine.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "codec/standard_method_codec.h"
#include "codec/testing/stderr_capture.h"
#include "embedding/flutter_view_controller.h"
#include "embedding/method_call_channel.h"
#include "embedding/testing/fake_engine.h"

namespace flutter {
namespace {

using kestro_testing::FakeEngine;
using kestro_testing::StderrCapture;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

constexpr char kChannel[] = "kestro/cash_drawer";

using Bytes = std::vector<uint8_t>;

const Bytes kListPrinters = {0x07, 0x0C, 0x6C, 0x69, 0x73, 0x74, 0x50, 0x72,
                             0x69, 0x6E, 0x74, 0x65, 0x72, 0x73, 0x00};
// "openDrawer" with {"pulseOn": 25 (32-bit), "protocol": "starPrnt"}.
const Bytes kOpenDrawer = {0x07, 0x0A, 0x6F, 0x70, 0x65, 0x6E, 0x44, 0x72, 0x61, 0x77, 0x65, 0x72,
                           0x0D, 0x02, 0x07, 0x08, 0x70, 0x72, 0x6F, 0x74, 0x6F, 0x63, 0x6F, 0x6C,
                           0x07, 0x08, 0x73, 0x74, 0x61, 0x72, 0x50, 0x72, 0x6E, 0x74, 0x07, 0x07,
                           0x70, 0x75, 0x6C, 0x73, 0x65, 0x4F, 0x6E, 0x03, 0x19, 0x00, 0x00, 0x00};

std::string DescribeCall(const MethodCall& call) {
  const EncodableValue* arguments = call.arguments();
  if (arguments == nullptr) return call.method_name() + "()";
  if (arguments->IsNull()) return call.method_name() + "(null)";
  const ValueMap* map = arguments->GetIf<ValueMap>();
  if (map == nullptr) return call.method_name() + "(?)";
  std::string text = call.method_name() + "(";
  for (const auto& [key, value] : *map) {
    const std::string* name = key.GetIf<std::string>();
    text += (name ? *name : "?") + "=";
    if (const auto* number = value.GetIf<int32_t>()) text += std::to_string(*number) + " ";
    if (const auto* string = value.GetIf<std::string>()) text += *string + " ";
  }
  return text + ")";
}

struct RoadCase {
  const char* label;
  Bytes request;
  std::function<void(MethodResult&)> answer;
  std::vector<std::string> calls;
  std::vector<Bytes> responses;
  std::vector<std::string> lines;
};

TEST(WholeRoad, CallDecodedHandledAnsweredAndEncoded) {
  const RoadCase cases[] = {
      {"listPrinters answered with {\"success\": true}",
       kListPrinters,
       [](MethodResult& r) {
         r.Success(EncodableValue(ValueMap{{"success", true}}));
       },
       {"listPrinters(null)"},
       {{0x00, 0x0D, 0x01, 0x07, 0x07, 0x73, 0x75, 0x63, 0x63, 0x65, 0x73, 0x73, 0x01}},
       {}},
      {"openDrawer answered with an error without message or details",
       kOpenDrawer,
       [](MethodResult& r) { r.Error("invalid_arguments", "", nullptr); },
       {"openDrawer(protocol=starPrnt pulseOn=25 )"},
       {{0x01, 0x07, 0x11, 0x69, 0x6E, 0x76, 0x61, 0x6C, 0x69, 0x64, 0x5F,
         0x61, 0x72, 0x67, 0x75, 0x6D, 0x65, 0x6E, 0x74, 0x73, 0x00, 0x00}},
       {}},
      {"success with true",
       kListPrinters,
       [](MethodResult& r) { r.Success(EncodableValue(true)); },
       {"listPrinters(null)"},
       {{0x00, 0x01}},
       {}},
      {"success without result",
       kListPrinters,
       [](MethodResult& r) { r.Success(); },
       {"listPrinters(null)"},
       {{0x00, 0x00}},
       {}},
      {"not implemented is the empty reply",
       kOpenDrawer,
       [](MethodResult& r) { r.NotImplemented(); },
       {"openDrawer(protocol=starPrnt pulseOn=25 )"},
       {{}},
       {}},
      {"answered twice: the first stands",
       kListPrinters,
       [](MethodResult& r) {
         r.Success(EncodableValue(true));
         r.Error("late", "", nullptr);
       },
       {"listPrinters(null)"},
       {{0x00, 0x01}},
       {"Error: Only one of Success, Error, or NotImplemented can be called, and it can be "
        "called exactly once. Ignoring duplicate result."}},
      {"method name not a string",
       {0x03, 0x01, 0x00, 0x00, 0x00},
       nullptr,
       {},
       {{}},
       {"Invalid method call; method name is not a string.",
        "Unable to construct method call from message on channel kestro/cash_drawer"}},
  };
  for (const RoadCase& c : cases) {
    SCOPED_TRACE(c.label);
    FakeEngine fake;
    std::vector<std::string> calls;
    {
      FlutterViewController controller(800, 600, DartBundle(u"data"));
      MethodCallChannel channel(controller.GetEngine()->GetMessenger(), kChannel,
                                &CodecForSerializer());
      channel.SetCallHandler([&](const MethodCall& call, std::unique_ptr<MethodResult> result) {
        calls.push_back(DescribeCall(call));
        c.answer(*result);
      });
      StderrCapture stderr_capture;
      int message = fake.DeliverMessage(kChannel, c.request);
      EXPECT_EQ(stderr_capture.TakeLines(), c.lines);
      EXPECT_EQ(fake.ResponsesTo(message), c.responses);
    }
    EXPECT_EQ(calls, c.calls);
    EXPECT_THAT(fake.Problems(), IsEmpty());
  }
}

}  // namespace
}  // namespace flutter
