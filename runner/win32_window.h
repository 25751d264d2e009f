// The host's generic top-level window: a DPI-scaled overlapped window that
// follows the user's app theme, keeps one child window as its content and can
// post the quit message when it is destroyed. Subclasses fill it with content
// through two hooks, one after creation and one before destruction.

#ifndef KESTRO_RUNNER_WIN32_WINDOW_H_
#define KESTRO_RUNNER_WIN32_WINDOW_H_

#include <windows.h>

#include <functional>
#include <string>

#include "runner/window_geometry.h"

// All of a Win32Window's work, and its construction and destruction, happen
// on the thread that runs the message loop. The window class
// "FLUTTER_RUNNER_WIN32_WINDOW" is registered by the first window created in
// the process and unregistered once no Win32Window object is left.
class Win32Window {
 public:
  Win32Window();
  // Destroys the window if it still exists. Only the base OnWindowDestroying
  // runs then, since the subclass part is already gone.
  virtual ~Win32Window();

  Win32Window(const Win32Window&) = delete;
  Win32Window& operator=(const Win32Window&) = delete;

  // Creates the window, hidden, with `title`, at `origin` with the outer
  // size `size`, both in logical units scaled to the DPI of the monitor
  // nearest the unscaled origin and, where the result would not fit, shrunk
  // and moved into that monitor's work area. An earlier window of this
  // object is destroyed first. Returns true when the window exists and
  // OnWindowCreated returned true; a window whose hook failed stays, hidden,
  // until it is destroyed.
  bool CreateNativeWindow(const std::u16string& title, const WindowOrigin& origin,
                          const WindowSize& size);

  // Runs OnWindowDestroying, destroys the window if there is one, and
  // unregisters the window class when no Win32Window object is left.
  void DestroyNativeWindow();

  // Makes `content` a child of this window that fills its client area and
  // has the keyboard focus. The child is borrowed.
  void AttachContent(HWND content);

  // When set, destroying the window posts the quit message (exit code 0).
  void SetQuitWhenClosed(bool quit);

  // Runs `observer` as each window of this object is destroyed, in its
  // WM_DESTROY, once GetHandle() has become null and the teardown hook has
  // run. Whatever the observer uses must outlive the window.
  void NotifyWhenDestroyed(std::function<void()> observer);

  // The client rectangle of the window, as GetClientRect gives it.
  RECT ClientArea() const;

  // Shows the window in its normal state. Returns true when it was visible
  // before.
  bool ShowNormal();

  // The top-level window, or null when there is none.
  HWND GetHandle() const { return window_handle; }

 protected:
  // Handles every message of the window after creation has begun. The base
  // version handles destruction, sizing, activation, DPI and theme changes
  // and returns 0 for them; anything else goes to DefWindowProcW. It never
  // refuses the end of the session, and when the session ends it destroys
  // the window before it returns, since Windows may end the process then.
  // An override passes on every message it has not fully answered itself.
  virtual LRESULT HandleMessage(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

  // Runs at the end of a successful CreateNativeWindow; its result is that
  // call's result. The base version returns true.
  virtual bool OnWindowCreated();

  // Runs at the start of every DestroyNativeWindow, including the one that
  // WM_DESTROY runs, so it may run more than once per window. The base
  // version does nothing.
  virtual void OnWindowDestroying();

 private:
  // noexcept: an exception from the message handling ends the process
  // instead of unwinding through the system's frames.
  static LRESULT CALLBACK StaticWindowProc(HWND window, UINT message, WPARAM wparam,
                                           LPARAM lparam) noexcept;
  // Fits the content window, when there is one, to the client area.
  void MoveContentToClientArea();

  bool quit_when_closed = false;
  HWND window_handle = nullptr;
  HWND content_window = nullptr;
  std::function<void()> destroyed_observer;
};

#endif  // KESTRO_RUNNER_WIN32_WINDOW_H_
