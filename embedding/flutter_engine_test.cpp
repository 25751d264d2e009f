#include "embedding/flutter_engine.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "codec/testing/stderr_capture.h"
#include "embedding/testing/fake_engine.h"

namespace flutter {
namespace {

using kestro_testing::FakeEngine;
using kestro_testing::StderrCapture;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

class FlutterEngineTest : public ::testing::Test {
 protected:
  ~FlutterEngineTest() override { EXPECT_THAT(fake_.Problems(), IsEmpty()); }

  FakeEngine fake_;
  DartBundle bundle_{u"data"};
};

struct PropertiesCase {
  const char* label;
  std::vector<std::string> arguments;
  bool argv_is_null;
};

TEST_F(FlutterEngineTest, PropertiesPointAtTheBundle) {
  const PropertiesCase cases[] = {
      {"no arguments: count 0, null array", {}, true},
      {"three arguments in command-line order", {"--one", "two", "caf\xc3\xa9"}, false},
      {"an empty argument counts", {""}, false},
  };
  for (const PropertiesCase& c : cases) {
    SCOPED_TRACE(c.label);
    bundle_.SetEntryPointArguments(c.arguments);
    FlutterEngine engine(bundle_);
    const kestro_testing::RecordedEngineProperties& properties = fake_.last_engine_properties();
    EXPECT_EQ(properties.assets_path, u"data\\flutter_assets");
    EXPECT_EQ(properties.icu_data_path, u"data\\icudtl.dat");
    EXPECT_EQ(properties.aot_library_path, u"data\\app.so");
    EXPECT_FALSE(properties.dart_entrypoint_is_null);
    EXPECT_EQ(properties.dart_entrypoint, "");
    EXPECT_EQ(properties.dart_entrypoint_argc, static_cast<int32_t>(c.arguments.size()));
    EXPECT_EQ(properties.dart_entrypoint_argv_is_null, c.argv_is_null);
    EXPECT_EQ(properties.dart_entrypoint_argv, c.arguments);
    EXPECT_EQ(properties.option_a, 0);
    EXPECT_EQ(properties.option_b, 0);
  }
}

TEST_F(FlutterEngineTest, CreatesTheEngineThenAsksForItsMessenger) {
  FlutterEngine engine(bundle_);
  EXPECT_THAT(fake_.calls(), ElementsAre("FlutterDesktopEngineCreate(properties)",
                                         "FlutterDesktopEngineGetMessenger(engine#1)"));
  ASSERT_NE(engine.GetMessenger(), nullptr);
  engine.GetMessenger()->SetChannelHandler("c", [](const uint8_t*, size_t, ReplyCallback) {});
  EXPECT_EQ(fake_.calls().back(),
            "FlutterDesktopMessengerSetCallback(messenger#1, \"c\", callback, data)");
}

// An absent handle is passed on; the messenger is not asked for, and a
// registrar lookup reports once per name and yields null.
TEST_F(FlutterEngineTest, AbsentEngineHandle) {
  fake_.set_fail_engine_create(true);
  StderrCapture stderr_capture;
  {
    FlutterEngine engine(bundle_);
    EXPECT_NE(engine.GetMessenger(), nullptr);
    EXPECT_EQ(engine.GetPluginRegistrar("PrintingPlugin"), nullptr);
    EXPECT_EQ(engine.GetPluginRegistrar("UrlLauncherWindows"), nullptr);
    EXPECT_EQ(engine.ReleaseEngineOwnership(), nullptr);
  }
  const std::string line =
      "Cannot get plugin registrar on an engine that isn't running; call Run first.";
  EXPECT_THAT(stderr_capture.TakeLines(), ElementsAre(line, line));
  EXPECT_THAT(fake_.calls(), ElementsAre("FlutterDesktopEngineCreate(properties)"));
}

TEST_F(FlutterEngineTest, RegistrarIsTheEnginesForTheName) {
  FlutterEngine engine(bundle_);
  FlutterDesktopPluginRegistrarRef printing = engine.GetPluginRegistrar("PrintingPlugin");
  FlutterDesktopPluginRegistrarRef links = engine.GetPluginRegistrar("AppLinksPluginCApi");
  EXPECT_NE(printing, nullptr);
  EXPECT_NE(printing, links);
  EXPECT_EQ(engine.GetPluginRegistrar("PrintingPlugin"), printing);
  EXPECT_EQ(fake_.calls()[2],
            "FlutterDesktopEngineGetPluginRegistrar(engine#1, \"PrintingPlugin\")");
}

TEST_F(FlutterEngineTest, ReloadSystemFontsGoesToTheEngine) {
  FlutterEngine engine(bundle_);
  engine.ReloadSystemFonts();
  EXPECT_EQ(fake_.calls().back(), "FlutterDesktopEngineReloadSystemFonts(engine#1)");
}

TEST_F(FlutterEngineTest, OnlyTheLastNextFrameCallbackRunsAndOnlyOnce) {
  FlutterEngine engine(bundle_);
  std::vector<std::string> ran;
  auto first_marker = fake_.DropMarker("first dropped");
  engine.SetNextFrameCallback([&ran, first_marker] { ran.push_back("first"); });
  first_marker.reset();
  engine.SetNextFrameCallback([&ran] { ran.push_back("second"); });

  // The engine calls back for every frame from here on; the trampoline
  // runs nothing once the stored callback has run.
  fake_.set_repeat_next_frame(true);
  fake_.RenderFrame();
  fake_.RenderFrame();

  EXPECT_THAT(ran, ElementsAre("second"));
  const std::string set_call = "FlutterDesktopEngineSetNextFrameCallback(engine#1, callback, data)";
  EXPECT_THAT(fake_.calls(), ElementsAre("FlutterDesktopEngineCreate(properties)",
                                         "FlutterDesktopEngineGetMessenger(engine#1)", set_call,
                                         "first dropped", set_call));
}

TEST_F(FlutterEngineTest, CallbackMayArmTheNextFrameFromWithin) {
  FlutterEngine engine(bundle_);
  int frames = 0;
  engine.SetNextFrameCallback([&] {
    ++frames;
    engine.SetNextFrameCallback([&] { frames += 10; });
  });
  fake_.RenderFrame();
  fake_.RenderFrame();
  fake_.RenderFrame();
  EXPECT_EQ(frames, 11);
}

struct OwnershipCase {
  const char* label;
  bool release_ownership;
  std::vector<std::string> calls_at_destruction;
};

// Destruction order: engine ended (when owned), callback dropped unrun,
// then the messenger and its handlers.
TEST_F(FlutterEngineTest, DestructionEndsOnlyAnOwnedEngineThenDropsCallbackThenMessenger) {
  const OwnershipCase cases[] = {
      {"still owned",
       false,
       {"FlutterDesktopEngineDestroy(engine#1)", "callback dropped", "handler dropped"}},
      {"ownership released", true, {"callback dropped", "handler dropped"}},
  };
  for (const OwnershipCase& c : cases) {
    SCOPED_TRACE(c.label);
    FakeEngine::Current().ClearCalls();
    bool ran = false;
    {
      auto engine = std::make_unique<FlutterEngine>(bundle_);
      if (c.release_ownership) {
        FlutterDesktopEngineRef handle = engine->ReleaseEngineOwnership();
        EXPECT_NE(handle, nullptr);
        // The handle stays in use after the release.
        EXPECT_NE(engine->GetPluginRegistrar("PrintingPlugin"), nullptr);
      }
      auto callback_marker = fake_.DropMarker("callback dropped");
      auto handler_marker = fake_.DropMarker("handler dropped");
      engine->SetNextFrameCallback([&ran, callback_marker] { ran = true; });
      engine->GetMessenger()->SetChannelHandler(
          "c", [handler_marker](const uint8_t*, size_t, ReplyCallback) {});
      callback_marker.reset();
      handler_marker.reset();
      fake_.ClearCalls();
      engine.reset();
    }
    EXPECT_EQ(fake_.calls(), c.calls_at_destruction);
    EXPECT_FALSE(ran);
  }
}

struct BoundaryCase {
  const char* label;
  // Gives `engine` a callable that throws, then has the engine call it.
  std::function<void(FlutterEngine& engine, FakeEngine& fake)> throw_from_callback;
};

// An exception from anything the engine library calls back stops at our
// boundary: the process ends (std::terminate) instead of unwinding through
// the library's frames.
TEST(FlutterEngineDeathTest, ExceptionFromACallbackEndsTheProcess) {
  const BoundaryCase cases[] = {
      {"channel handler",
       [](FlutterEngine& engine, FakeEngine& fake) {
         engine.GetMessenger()->SetChannelHandler(
             "c", [](const uint8_t*, size_t, ReplyCallback) { throw std::runtime_error("c"); });
         fake.DeliverMessage("c", {});
       }},
      {"reply to a sent message",
       [](FlutterEngine& engine, FakeEngine& fake) {
         engine.GetMessenger()->Send(
             "c", nullptr, 0, [](const uint8_t*, size_t) { throw std::runtime_error("reply"); });
         fake.AnswerSentMessage(0, {});
       }},
      {"next-frame callback",
       [](FlutterEngine& engine, FakeEngine& fake) {
         engine.SetNextFrameCallback([] { throw std::runtime_error("frame"); });
         fake.RenderFrame();
       }},
  };
  for (const BoundaryCase& c : cases) {
    SCOPED_TRACE(c.label);
    EXPECT_DEATH(
        {
          FakeEngine fake;
          FlutterEngine engine(DartBundle(u"data"));
          c.throw_from_callback(engine, fake);
        },
        "terminate called after throwing");
  }
}

}  // namespace
}  // namespace flutter
