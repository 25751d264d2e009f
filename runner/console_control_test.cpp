#include "runner/console_control.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct ControlCase {
  uint32_t event;
  ConsoleControlAction action;
};

// Verifies every event number Windows defines, logoff (5) and shutdown (6)
// included, the unused ones between them and one far beyond.
TEST(ConsoleControl, KeysAreIgnoredAndClosingTheConsoleClosesTheWindow) {
  constexpr ControlCase kCases[] = {
      {0, ConsoleControlAction::kIgnore},          {1, ConsoleControlAction::kIgnore},
      {2, ConsoleControlAction::kCloseWindow},     {3, ConsoleControlAction::kPassOn},
      {4, ConsoleControlAction::kPassOn},          {5, ConsoleControlAction::kPassOn},
      {6, ConsoleControlAction::kPassOn},          {7, ConsoleControlAction::kPassOn},
      {0xFFFFFFFF, ConsoleControlAction::kPassOn},
  };
  for (const ControlCase& c : kCases) {
    SCOPED_TRACE("event " + std::to_string(c.event));
    EXPECT_EQ(ActionForConsoleControl(c.event), c.action);
  }
}

}  // namespace
