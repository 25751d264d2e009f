// The host's owner object of one Flutter view: creates the engine, hands it
// to the engine library's view controller (which starts it) and wraps the
// resulting view.

#ifndef KESTRO_EMBEDDING_FLUTTER_VIEW_CONTROLLER_H_
#define KESTRO_EMBEDDING_FLUTTER_VIEW_CONTROLLER_H_

#include <memory>
#include <optional>

#include "embedding/dart_bundle.h"
#include "embedding/flutter_desktop_api.h"
#include "embedding/flutter_engine.h"
#include "embedding/flutter_view.h"
#include "embedding/windows_types.h"

namespace flutter {

// Either complete (controller handle and view present) or failed (both
// absent, engine object present) for its whole life. Used on the UI thread.
//
// Destruction keeps the engine's order: the engine library's view controller
// (and the engine instance with it) ends first, then the view object, and
// only then the engine object, so the engine never calls back into an engine
// object that is gone. The engine instance is never destroyed directly.
class FlutterViewController {
 public:
  // A view of `width` x `height` physical pixels running the app of `bundle`.
  // When the engine library yields no view controller, an error line is
  // written and the controller stays failed: GetView() is null.
  FlutterViewController(int width, int height, const DartBundle& bundle);
  virtual ~FlutterViewController();

  FlutterViewController(const FlutterViewController&) = delete;
  FlutterViewController& operator=(const FlutterViewController&) = delete;

  // Present also when creation failed.
  FlutterEngine* GetEngine() { return engine_.get(); }

  // Null when creation failed.
  FlutterView* GetView() { return view_.get(); }

  // Asks the engine for a new frame. Does nothing on a failed controller.
  void ForceRedraw();

  // Offers a top-level window message to the engine. The engine's LRESULT
  // when it handled the message (the caller returns it and does nothing
  // more); empty when it did not, and always on a failed controller.
  std::optional<LRESULT> HandleTopLevelWindowProc(HWND hwnd, UINT message, WPARAM wparam,
                                                  LPARAM lparam);

 private:
  FlutterDesktopViewControllerRef controller_ = nullptr;
  std::shared_ptr<FlutterEngine> engine_;
  std::unique_ptr<FlutterView> view_;
};

}  // namespace flutter

#endif  // KESTRO_EMBEDDING_FLUTTER_VIEW_CONTROLLER_H_
