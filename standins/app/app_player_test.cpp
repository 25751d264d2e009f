#include "standins/app/app_player.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "codec/standard_method_codec.h"
#include "codec/testing/value_printer.h"

namespace {

using flutter::EncodableValue;
using flutter::ValueList;
using flutter::ValueMap;
using kestro::standin::AppOptions;
using kestro::standin::AppPlayer;
using kestro::standin::DemoItem;
using kestro::standin::DemoItemKind;
using kestro::standin::Json;
using kestro::standin::LayOutDemo;
using kestro::standin::StartFacts;
using kestro::standin::ToHex;

// Records what the app asks of the engine.
class FakeEnvironment : public kestro::standin::AppEnvironment {
 public:
  struct Sent {
    uint64_t id;
    std::string channel;
    std::vector<uint8_t> message;
  };

  bool SendToHost(uint64_t id, const std::string& channel,
                  const std::vector<uint8_t>& message) override {
    sent.push_back({id, channel, message});
    now_ms += handling_ms;
    return channel != "nobody/listens";
  }
  void ArmReplyTimeout(uint64_t id, int delay_ms) override { timeouts.emplace_back(id, delay_ms); }
  void Redraw() override { ++redraws; }
  void CloseWindow(int delay_ms) override { closes.push_back(delay_ms); }
  double MillisecondsSinceStart() override { return now_ms; }

  double now_ms = 0;
  double handling_ms = 0;  // how long the host takes over each message
  std::vector<Sent> sent;
  std::vector<std::pair<uint64_t, int>> timeouts;
  int redraws = 0;
  std::vector<int> closes;
};

std::vector<uint8_t> Success(const EncodableValue& value) {
  return flutter::CodecForSerializer().EncodeSuccessReply(&value);
}

class AppPlayerTest : public ::testing::Test {
 protected:
  void TearDown() override { std::remove(transcript_path_.c_str()); }

  AppOptions Options(bool scripted) {
    AppOptions options;
    if (scripted) options.script_path = "script.jsonl";
    options.transcript_path = transcript_path_;
    options.hold_ms = 250;
    options.reply_timeout_ms = 900;
    return options;
  }

  std::vector<Json> Transcript() const {
    std::vector<Json> lines;
    std::ifstream file(transcript_path_);
    std::string line;
    while (std::getline(file, line)) lines.push_back(Json::parse(line));
    return lines;
  }

  std::string transcript_path_ = testing::TempDir() + "app_player_test.jsonl";
  FakeEnvironment environment_;
};

TEST_F(AppPlayerTest, SendsOneRequestAtATimeAndClosesAfterTheLastAnswer) {
  AppPlayer app(Options(true),
                "{\"method\": \"listPrinters\"}\n{\"raw\": \"ff\", \"channel\": \"c\"}\n", "",
                &environment_);
  EXPECT_TRUE(environment_.sent.empty()) << "nothing before the first frame";
  StartFacts facts;
  facts.first_frame_ms = 5.25;
  environment_.now_ms = 10;
  environment_.handling_ms = 0.25;
  app.Start(facts);
  ASSERT_EQ(environment_.sent.size(), 1u);
  EXPECT_EQ(environment_.sent[0].channel, "kestro/cash_drawer");
  EXPECT_EQ(environment_.timeouts.back(), (std::make_pair(environment_.sent[0].id, 900)));

  app.OnReply(environment_.sent[0].id + 100, {});  // not the pending request
  EXPECT_EQ(environment_.sent.size(), 1u);
  environment_.now_ms = 12.5;
  app.OnReply(environment_.sent[0].id, Success(EncodableValue(ValueList{})));
  ASSERT_EQ(environment_.sent.size(), 2u);
  EXPECT_EQ(environment_.sent[1].channel, "c");
  EXPECT_EQ(environment_.sent[1].message, std::vector<uint8_t>({0xff}));
  EXPECT_TRUE(environment_.closes.empty());
  environment_.now_ms = 13.0625;
  app.OnReply(environment_.sent[1].id, {});
  EXPECT_EQ(environment_.closes, std::vector<int>({250}));
  environment_.now_ms = 300;
  app.OnClosing(0);

  const std::vector<Json> lines = Transcript();
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[0]["event"], "started");
  EXPECT_EQ(lines[0]["ms"], 5.25);
  // Each request is timed from its sending to its answer; the second was sent
  // as the first was answered.
  EXPECT_EQ(lines[1], (Json{{"request", Json{{"method", "listPrinters"}}},
                            {"sentMs", 10},
                            {"handledMs", 10.25},
                            {"answeredMs", 12.5},
                            {"replyHex", "000c00"},
                            {"reply", Json{{"success", Json::array()}}}}));
  EXPECT_EQ(lines[2]["reply"], (Json{{"notImplemented", true}}));
  EXPECT_EQ(lines[2]["sentMs"], 12.5);
  EXPECT_EQ(lines[2]["handledMs"], 12.75);
  EXPECT_EQ(lines[2]["answeredMs"], 13.063);
  EXPECT_EQ(lines[3], (Json{{"event", "closing"},
                            {"ms", 300},
                            {"answered", 2},
                            {"timedOut", 0},
                            {"unanswered", false},
                            {"duplicateResponses", 0}}));
}

TEST_F(AppPlayerTest, AnAnswerThatComesTooLateIsIgnored) {
  AppPlayer app(Options(true), "{\"method\": \"a\"}\n{\"method\": \"b\"}\n", "", &environment_);
  app.Start(StartFacts{});
  const uint64_t first = environment_.sent[0].id;
  app.OnReplyTimeout(first);
  ASSERT_EQ(environment_.sent.size(), 2u);
  app.OnReply(first, Success(EncodableValue(1)));  // late: the second request is pending
  EXPECT_EQ(environment_.sent.size(), 2u);
  app.OnReplyTimeout(first);  // already handled
  app.OnReply(environment_.sent[1].id, Success(EncodableValue(2)));
  const std::vector<Json> lines = Transcript();
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[1]["timedOut"], true);
  EXPECT_FALSE(lines[1].contains("replyHex"));
  EXPECT_EQ(lines[2]["reply"], (Json{{"success", 2}}));
}

TEST_F(AppPlayerTest, AChannelWithoutHandlerIsNoted) {
  AppPlayer app(Options(true), "{\"method\": \"a\", \"channel\": \"nobody/listens\"}\n", "",
                &environment_);
  app.Start(StartFacts{});
  app.OnReply(environment_.sent[0].id, {});
  const std::vector<Json> lines = Transcript();
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[1]["noHandler"], true);
}

TEST_F(AppPlayerTest, AScriptThatCannotBeReadSendsNothingAndCloses) {
  const struct {
    const char* text;
    const char* read_error;
    const char* message;
  } cases[] = {
      {"", "cannot read the script x", "cannot read the script x"},
      {"{\"method\": 1}\n", "", "line 1: \"method\" must be a string"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.message);
    FakeEnvironment environment;
    AppPlayer app(Options(true), c.text, c.read_error, &environment);
    app.Start(StartFacts{});
    EXPECT_TRUE(environment.sent.empty());
    EXPECT_EQ(environment.closes, std::vector<int>({250}));
    const std::vector<Json> lines = Transcript();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[1], (Json{{"event", "scriptError"}, {"message", c.message}}));
  }
}

TEST_F(AppPlayerTest, StartsOnlyOnce) {
  AppPlayer app(Options(true), "{\"method\": \"a\"}\n", "", &environment_);
  app.Start(StartFacts{});
  app.Start(StartFacts{});
  EXPECT_EQ(environment_.sent.size(), 1u);
  EXPECT_EQ(Transcript().size(), 1u);
}

DemoItem Find(const AppPlayer& app, DemoItemKind kind, int index) {
  for (const DemoItem& item : LayOutDemo(app.model(), 1000, 700)) {
    if (item.kind == kind && item.index == index) return item;
  }
  ADD_FAILURE() << "no such item";
  return DemoItem{};
}

void Click(AppPlayer* app, const DemoItem& item) {
  app->OnClick(item.rect.left + 2, item.rect.top + 2, 1000, 700);
}

TEST_F(AppPlayerTest, TheInteractiveDemoListsPrintersAndOpensTheChosenDrawer) {
  AppPlayer app(Options(false), "", "", &environment_);
  app.Start(StartFacts{});
  ASSERT_EQ(environment_.sent.size(), 1u);
  EXPECT_EQ(ToHex(environment_.sent[0].message), "070c6c6973745072696e7465727300");
  auto printer = [](const char* name, bool is_default) {
    return EncodableValue(ValueMap{{EncodableValue("name"), EncodableValue(name)},
                                   {EncodableValue("isDefault"), EncodableValue(is_default)}});
  };
  app.OnReply(environment_.sent[0].id,
              Success(EncodableValue(
                  ValueList{printer("Office Laser", false), printer("Receipt Printer", true)})));
  ASSERT_EQ(app.model().printers().size(), 2u);
  EXPECT_EQ(app.model().selected_printer(), 1u);

  Click(&app, Find(app, DemoItemKind::kPrinterRow, 0));
  Click(&app, Find(app, DemoItemKind::kProtocolOption, 2));
  Click(&app, Find(app, DemoItemKind::kDrawerOption, 1));
  const DemoItem button = Find(app, DemoItemKind::kOpenButton, 0);
  Click(&app, button);
  ASSERT_EQ(environment_.sent.size(), 2u);
  Click(&app, button);  // busy: the button does nothing until the answer
  EXPECT_EQ(environment_.sent.size(), 2u);
  std::unique_ptr<flutter::MethodCall> call = flutter::CodecForSerializer().DecodeCall(
      environment_.sent[1].message.data(), environment_.sent[1].message.size());
  ASSERT_NE(call, nullptr);
  EXPECT_EQ(call->method_name(), "openDrawer");
  const ValueMap& arguments = call->arguments()->Get<ValueMap>();
  EXPECT_EQ(arguments.at(EncodableValue("printerName")).Get<std::string>(), "Office Laser");
  EXPECT_EQ(arguments.at(EncodableValue("protocol")).Get<std::string>(), "starPrnt");
  EXPECT_EQ(arguments.at(EncodableValue("pin")).Get<int32_t>(), 1);

  app.OnReply(environment_.sent[1].id,
              Success(EncodableValue(
                  ValueMap{{EncodableValue("success"), EncodableValue(true)},
                           {EncodableValue("message"), EncodableValue("sent")},
                           {EncodableValue("printerName"), EncodableValue("Office Laser")}})));
  EXPECT_EQ(app.model().result_words(), "Opened on Office Laser: sent");
  EXPECT_TRUE(environment_.closes.empty()) << "the demo stays open";

  // After the kick the demo reads the drawer's state and shows it.
  ASSERT_EQ(environment_.sent.size(), 3u);
  std::unique_ptr<flutter::MethodCall> read = flutter::CodecForSerializer().DecodeCall(
      environment_.sent[2].message.data(), environment_.sent[2].message.size());
  ASSERT_NE(read, nullptr);
  EXPECT_EQ(read->method_name(), "getDrawerState");
  EXPECT_TRUE(kestro_testing::SameValue(
      *read->arguments(),
      EncodableValue(ValueMap{{EncodableValue("printerName"), EncodableValue("Office Laser")},
                              {EncodableValue("protocol"), EncodableValue("starPrnt")}})));
  app.OnReply(environment_.sent[2].id,
              Success(EncodableValue(
                  ValueMap{{EncodableValue("state"), EncodableValue("unknown")},
                           {EncodableValue("reason"), EncodableValue("busy")},
                           {EncodableValue("via"), EncodableValue("COM1")},
                           {EncodableValue("printerName"), EncodableValue("Office Laser")}})));
  EXPECT_EQ(app.model().drawer_state_words(), "Drawer state unknown: busy (via COM1)");
  EXPECT_EQ(environment_.sent.size(), 3u) << "a state read is not followed by another";

  const std::vector<Json> lines = Transcript();
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[2]["request"]["arguments"],
            (Json{{"pin", 1}, {"printerName", "Office Laser"}, {"protocol", "starPrnt"}}));
  EXPECT_EQ(lines[3]["request"]["method"], "getDrawerState");
}

TEST_F(AppPlayerTest, RepliesShowInTheView) {
  AppPlayer app(Options(true),
                "{\"method\": \"openDrawer\", \"arguments\": {\"protocol\": \"escPosAscii\"}}\n"
                "{\"method\": \"openDrawer\"}\n"
                "{\"method\": \"nope\"}\n",
                "", &environment_);
  app.Start(StartFacts{});
  EXPECT_EQ(app.model().protocol(), kestro::standin::DrawerProtocol::kEscPosAscii);
  EXPECT_TRUE(app.model().busy());
  app.OnReply(environment_.sent[0].id,
              Success(EncodableValue(ValueMap{
                  {EncodableValue("success"), EncodableValue(false)},
                  {EncodableValue("message"), EncodableValue("Windows could not open it.")},
                  {EncodableValue("errorCode"), EncodableValue(1801)}})));
  EXPECT_EQ(app.model().result_words(), "Failed: Windows could not open it. (Windows error 1801)");
  app.OnReply(environment_.sent[1].id,
              flutter::CodecForSerializer().EncodeErrorReply(
                  "invalid_arguments", "Cash drawer arguments are missing.", nullptr));
  EXPECT_EQ(app.model().result_words(),
            "Channel error invalid_arguments: Cash drawer arguments are missing.");
  app.OnReply(environment_.sent[2].id, {});
  EXPECT_EQ(app.model().result_words(), "The host does not implement \"nope\".");
  EXPECT_NE(app.model().status().find("3 of 3"), std::string::npos);
  EXPECT_FALSE(app.model().busy());
}

}  // namespace
