// The view's child window: it shows the stand-in app (a DemoModel) with GDI
// and passes clicks to the app. It is created inside a hidden holder window
// of its own, at the size the view controller was given, until the host
// makes it the content of its top-level window.

#ifndef KESTRO_STANDINS_ENGINE_VIEW_WINDOW_WIN_H_
#define KESTRO_STANDINS_ENGINE_VIEW_WINDOW_WIN_H_

#include <windows.h>

#include <functional>

#include "standins/app/demo_model.h"

namespace kestro::standin {

class ViewWindow {
 public:
  // Receives a click at (x, y) in a view of `width` x `height` pixels.
  using ClickHandler = std::function<void(int x, int y, int width, int height)>;

  // `model` must outlive this window; it is read on every paint.
  ViewWindow(int width, int height, const DemoModel* model, ClickHandler on_click);
  // Destroys the view window wherever it is, and the holder.
  ~ViewWindow();

  ViewWindow(const ViewWindow&) = delete;
  ViewWindow& operator=(const ViewWindow&) = delete;

  HWND hwnd() const { return window_; }
  // The top-level window that holds the view now: the host's window once the
  // view is its content, the holder before.
  HWND TopLevel() const;
  // Paints the view now: one frame.
  void Render();

 private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
  void Paint();

  const DemoModel* model_;
  ClickHandler on_click_;
  HWND holder_ = nullptr;
  HWND window_ = nullptr;
};

}  // namespace kestro::standin

#endif  // KESTRO_STANDINS_ENGINE_VIEW_WINDOW_WIN_H_
