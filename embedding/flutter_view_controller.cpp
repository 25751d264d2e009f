#include "embedding/flutter_view_controller.h"

#include "codec/stderr_line.h"

namespace flutter {
namespace {

constexpr char kViewControllerFailed[] = "Failed to create view controller.";

}  // namespace

FlutterViewController::FlutterViewController(int width, int height, const DartBundle& bundle)
    : engine_(std::make_shared<FlutterEngine>(bundle)) {
  // The engine library's view controller owns the engine instance from here
  // on, whether or not its creation succeeds.
  FlutterDesktopEngineRef engine = engine_->ReleaseEngineOwnership();
  controller_ = FlutterDesktopViewControllerCreate(width, height, engine);
  if (controller_ == nullptr) {
    WriteStderrLine(kViewControllerFailed);
    return;
  }
  view_ = std::make_unique<FlutterView>(FlutterDesktopViewControllerGetView(controller_));
}

FlutterViewController::~FlutterViewController() {
  if (controller_ != nullptr) FlutterDesktopViewControllerDestroy(controller_);
  view_.reset();
  engine_.reset();
}

void FlutterViewController::ForceRedraw() {
  if (controller_ == nullptr) return;
  FlutterDesktopViewControllerForceRedraw(controller_);
}

std::optional<LRESULT> FlutterViewController::HandleTopLevelWindowProc(HWND hwnd, UINT message,
                                                                       WPARAM wparam,
                                                                       LPARAM lparam) {
  if (controller_ == nullptr) return std::nullopt;
  LRESULT result = 0;
  if (!FlutterDesktopViewControllerHandleTopLevelWindowProc(controller_, hwnd, message, wparam,
                                                            lparam, &result)) {
    return std::nullopt;
  }
  return result;
}

}  // namespace flutter
