#include "runner/console_control.h"

ConsoleControlAction ActionForConsoleControl(uint32_t event) {
  switch (event) {
    case kCtrlCEvent:
    case kCtrlBreakEvent:
      return ConsoleControlAction::kIgnore;
    case kCtrlCloseEvent:
      return ConsoleControlAction::kCloseWindow;
    default:
      return ConsoleControlAction::kPassOn;
  }
}
