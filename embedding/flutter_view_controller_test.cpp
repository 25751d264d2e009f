#include "embedding/flutter_view_controller.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>
#include <optional>
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

constexpr char kFailed[] = "Failed to create view controller.";

class FlutterViewControllerTest : public ::testing::Test {
 protected:
  ~FlutterViewControllerTest() override { EXPECT_THAT(fake_.Problems(), IsEmpty()); }

  // Gives the controller's engine object a next-frame callback and a channel
  // handler that mark in the log when they are dropped, which happens when
  // the engine object goes.
  void MarkEngineObjectRelease(FlutterViewController& controller, bool* frame_ran) {
    auto callback_marker = fake_.DropMarker("engine object: callback dropped");
    auto handler_marker = fake_.DropMarker("engine object: messenger destroyed");
    controller.GetEngine()->SetNextFrameCallback(
        [frame_ran, callback_marker] { *frame_ran = true; });
    controller.GetEngine()->GetMessenger()->SetChannelHandler(
        "c", [handler_marker](const uint8_t*, size_t, ReplyCallback) {});
  }

  FakeEngine fake_;
  DartBundle bundle_{u"data"};
};

TEST_F(FlutterViewControllerTest, CompleteControllerHandsTheEngineOverAndWrapsTheView) {
  StderrCapture stderr_capture;
  FlutterViewController controller(1280, 720, bundle_);
  EXPECT_THAT(stderr_capture.TakeLines(), IsEmpty());
  EXPECT_THAT(fake_.calls(), ElementsAre("FlutterDesktopEngineCreate(properties)",
                                         "FlutterDesktopEngineGetMessenger(engine#1)",
                                         "FlutterDesktopViewControllerCreate(1280, 720, engine#1)",
                                         "FlutterDesktopViewControllerGetView(controller#1)"));
  ASSERT_NE(controller.GetEngine(), nullptr);
  ASSERT_NE(controller.GetView(), nullptr);
  EXPECT_EQ(controller.GetView()->GetHWND(), reinterpret_cast<HWND>(uintptr_t{0x10001}));
  EXPECT_EQ(fake_.calls().back(), "FlutterDesktopViewGetHWND(view#1)");
}

// The engine library's view controller ends the engine instance; the
// engine object goes only after it, and the engine is never destroyed
// directly. The pending next-frame callback never runs.
TEST_F(FlutterViewControllerTest, CompleteControllerEndsTheEngineLibraryControllerFirst) {
  auto controller = std::make_unique<FlutterViewController>(800, 600, bundle_);
  bool frame_ran = false;
  MarkEngineObjectRelease(*controller, &frame_ran);
  fake_.ClearCalls();

  controller.reset();
  fake_.RenderFrame();

  EXPECT_THAT(fake_.calls(),
              ElementsAre("FlutterDesktopViewControllerDestroy(controller#1)",
                          "engine object: callback dropped", "engine object: messenger destroyed"));
  EXPECT_FALSE(frame_ran);
  EXPECT_EQ(fake_.live_engine_count(), 0);
}

TEST_F(FlutterViewControllerTest, FailedControllerReportsOnceAndDestroysNothingOfTheEngines) {
  fake_.set_fail_view_controller_create(true);
  StderrCapture stderr_capture;
  auto controller = std::make_unique<FlutterViewController>(800, 600, bundle_);
  EXPECT_THAT(stderr_capture.TakeLines(), ElementsAre(kFailed));
  EXPECT_EQ(controller->GetView(), nullptr);
  ASSERT_NE(controller->GetEngine(), nullptr);

  fake_.ClearCalls();
  controller->ForceRedraw();
  EXPECT_EQ(controller->HandleTopLevelWindowProc(nullptr, 0x0005, 1, 2), std::nullopt);
  controller.reset();
  EXPECT_THAT(fake_.calls(), IsEmpty());
}

// With no engine the view controller cannot be made either.
TEST_F(FlutterViewControllerTest, AbsentEngineGivesAFailedController) {
  fake_.set_fail_engine_create(true);
  StderrCapture stderr_capture;
  FlutterViewController controller(800, 600, bundle_);
  EXPECT_THAT(stderr_capture.TakeLines(), ElementsAre(kFailed));
  EXPECT_EQ(controller.GetView(), nullptr);
  EXPECT_NE(controller.GetEngine(), nullptr);
  EXPECT_THAT(fake_.calls(), ElementsAre("FlutterDesktopEngineCreate(properties)",
                                         "FlutterDesktopViewControllerCreate(800, 600, null)"));
}

TEST_F(FlutterViewControllerTest, ForceRedrawGoesToTheEngineLibraryController) {
  FlutterViewController controller(800, 600, bundle_);
  controller.ForceRedraw();
  EXPECT_EQ(fake_.calls().back(), "FlutterDesktopViewControllerForceRedraw(controller#1)");
}

struct WindowProcCase {
  const char* label;
  std::optional<LRESULT> engine_answer;
  std::optional<LRESULT> expected;
};

// A handled message returns the engine's LRESULT unchanged, 0 included,
// which differs from an empty answer.
TEST_F(FlutterViewControllerTest, TopLevelWindowMessagesAreOfferedToTheEngine) {
  const WindowProcCase cases[] = {
      {"not handled", std::nullopt, std::nullopt},
      {"handled with 0", LRESULT{0}, LRESULT{0}},
      {"handled with a value", LRESULT{42}, LRESULT{42}},
      {"handled with a negative value", LRESULT{-1}, LRESULT{-1}},
  };
  FlutterViewController controller(800, 600, bundle_);
  HWND window = reinterpret_cast<HWND>(uintptr_t{0xABC0});
  for (const WindowProcCase& c : cases) {
    SCOPED_TRACE(c.label);
    fake_.set_window_proc_answer(c.engine_answer);
    EXPECT_EQ(controller.HandleTopLevelWindowProc(window, 0x02E0, 0x00600060, -7), c.expected);
    EXPECT_EQ(fake_.calls().back(),
              "FlutterDesktopViewControllerHandleTopLevelWindowProc(controller#1, 0xabc0, 736, "
              "6291552, -7)");
  }
}

}  // namespace
}  // namespace flutter
