// The fake engine's rule checks must catch the faults they exist for;
// otherwise a clean Problems() in the other tests would prove nothing.

#include "embedding/testing/fake_engine.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace kestro_testing {
namespace {

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

// A live engine with a messenger and one delivered message whose response
// handle the misuse can play with.
struct Scene {
  FlutterDesktopEngineRef engine;
  FlutterDesktopMessengerRef messenger;
  const FlutterDesktopMessageResponse* response;
};

const FlutterDesktopMessageResponse* g_response = nullptr;

void CatchResponseHandle(FlutterDesktopMessengerRef, const FlutterDesktopMessage* message, void*) {
  g_response = message->response_handle;
}

Scene MakeScene(FakeEngine& fake) {
  FlutterDesktopEngineProperties properties = {};
  Scene scene;
  scene.engine = FlutterDesktopEngineCreate(&properties);
  scene.messenger = FlutterDesktopEngineGetMessenger(scene.engine);
  FlutterDesktopMessengerSetCallback(scene.messenger, "c", &CatchResponseHandle, nullptr);
  fake.DeliverMessage("c", {});
  scene.response = g_response;
  return scene;
}

// Sends a response correctly: referenced, locked, available.
void Respond(const Scene& s) {
  FlutterDesktopMessengerRef m = FlutterDesktopMessengerAddRef(s.messenger);
  FlutterDesktopMessengerLockRef lock = FlutterDesktopMessengerLock(m);
  if (FlutterDesktopMessengerIsAvailable(m)) {
    FlutterDesktopMessengerSendResponse(m, s.response, nullptr, 0);
  }
  FlutterDesktopMessengerUnlock(lock);
  FlutterDesktopMessengerRelease(m);
}

struct MisuseCase {
  const char* label;
  std::function<void(const Scene&)> misuse;
  const char* problem;
};

TEST(FakeEngine, ChecksCatchTheFaultsTheyAreFor) {
  const MisuseCase cases[] = {
      {"correct use", &Respond, nullptr},
      {"reference never released",
       [](const Scene& s) { FlutterDesktopMessengerAddRef(s.messenger); },
       "1 messenger references never released"},
      {"released more than referenced",
       [](const Scene& s) { FlutterDesktopMessengerRelease(s.messenger); },
       "released more often than referenced"},
      {"answered twice",
       [](const Scene& s) {
         Respond(s);
         Respond(s);
       },
       "message#1 answered more than once"},
      {"response without the lock",
       [](const Scene& s) {
         FlutterDesktopMessengerSendResponse(s.messenger, s.response, nullptr, 0);
       },
       "sent without the messenger lock"},
      {"availability read without the lock",
       [](const Scene& s) { FlutterDesktopMessengerIsAvailable(s.messenger); },
       "read without its lock"},
      {"lock left held", [](const Scene& s) { FlutterDesktopMessengerLock(s.messenger); },
       "still locked"},
      {"null lock unlocked", [](const Scene&) { FlutterDesktopMessengerUnlock(nullptr); },
       "given a null lock"},
      {"response after the engine has gone",
       [](const Scene& s) {
         FlutterDesktopMessengerRef m = FlutterDesktopMessengerAddRef(s.messenger);
         FlutterDesktopEngineDestroy(s.engine);
         FlutterDesktopMessengerLockRef lock = FlutterDesktopMessengerLock(m);
         FlutterDesktopMessengerSendResponse(m, s.response, nullptr, 0);
         FlutterDesktopMessengerUnlock(lock);
         FlutterDesktopMessengerRelease(m);
       },
       "sent after the engine has gone"},
      {"messenger used after its last release",
       [](const Scene& s) {
         FlutterDesktopEngineDestroy(s.engine);
         FlutterDesktopMessengerLock(s.messenger);
       },
       "after its last reference was released"},
      {"engine used after it ended",
       [](const Scene& s) {
         FlutterDesktopEngineDestroy(s.engine);
         FlutterDesktopEngineReloadSystemFonts(s.engine);
       },
       "FlutterDesktopEngineReloadSystemFonts on engine#1 after it ended"},
      {"engine of a view controller destroyed directly",
       [](const Scene& s) {
         FlutterDesktopViewControllerCreate(1, 1, s.engine);
         FlutterDesktopEngineDestroy(s.engine);
       },
       "which a view controller owns"},
  };
  for (const MisuseCase& c : cases) {
    SCOPED_TRACE(c.label);
    FakeEngine fake;
    Scene scene = MakeScene(fake);
    c.misuse(scene);
    if (c.problem == nullptr) {
      EXPECT_THAT(fake.Problems(), IsEmpty());
      EXPECT_THAT(fake.ResponsesTo(1), ElementsAre(std::vector<uint8_t>{}));
    } else {
      EXPECT_THAT(fake.Problems(), Contains(HasSubstr(c.problem)));
    }
  }
}

}  // namespace
}  // namespace kestro_testing
