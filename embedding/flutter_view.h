// The host's wrapper of the engine library's view: gives out the child window
// that shows the Flutter content.

#ifndef KESTRO_EMBEDDING_FLUTTER_VIEW_H_
#define KESTRO_EMBEDDING_FLUTTER_VIEW_H_

#include "embedding/flutter_desktop_api.h"
#include "embedding/windows_types.h"

namespace flutter {

// Borrows the view handle: the view belongs to the engine library's view
// controller and ends with it.
class FlutterView {
 public:
  explicit FlutterView(FlutterDesktopViewRef view);
  virtual ~FlutterView();

  FlutterView(const FlutterView&) = delete;
  FlutterView& operator=(const FlutterView&) = delete;

  // The child window that shows the Flutter content.
  HWND GetHWND();

 private:
  FlutterDesktopViewRef view_;
};

}  // namespace flutter

#endif  // KESTRO_EMBEDDING_FLUTTER_VIEW_H_
