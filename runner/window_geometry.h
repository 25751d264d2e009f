// Window positions and sizes in logical units (1/96 inch), their scaling
// to the physical pixels of a monitor with a given DPI, and the fitting of a
// scaled window into the part of the monitor that windows may use.

#ifndef KESTRO_RUNNER_WINDOW_GEOMETRY_H_
#define KESTRO_RUNNER_WINDOW_GEOMETRY_H_

#include <cstdint>

// The top-left corner of a window, in logical units.
struct WindowOrigin {
  int32_t x;
  int32_t y;
};

// The outer size of a window, in logical units.
struct WindowSize {
  int32_t width;
  int32_t height;
};

// The factor from logical units to pixels: dpi / 96.
double ScaleFactorForDpi(uint32_t dpi);

// One logical value in pixels: multiplied by `scale` in double precision and
// truncated toward zero, so 12.5 becomes 12.
int32_t ScaleLogicalValue(int32_t value, double scale);

WindowOrigin ScaleOrigin(const WindowOrigin& origin, double scale);
WindowSize ScaleSize(const WindowSize& size, double scale);

// A rectangle of the screen in pixels; right and bottom are exclusive, as in
// a Windows RECT.
struct ScreenRect {
  int32_t left;
  int32_t top;
  int32_t right;
  int32_t bottom;
};

// A window's top-left corner and outer size, in pixels.
struct WindowBounds {
  WindowOrigin origin;
  WindowSize size;
};

// `bounds` made to lie inside `work_area` (a monitor's area without the
// taskbar). Each side is shrunk to the work area's when longer, and the
// origin moves only as far as the window needs to lie inside, so a window
// that already fits is returned unchanged. An empty work area changes
// nothing.
WindowBounds FitToWorkArea(const WindowBounds& bounds, const ScreenRect& work_area);

#endif  // KESTRO_RUNNER_WINDOW_GEOMETRY_H_
