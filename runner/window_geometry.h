// Window positions and sizes in logical units (1/96 inch), and their scaling
// to the physical pixels of a monitor with a given DPI.

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

#endif  // KESTRO_RUNNER_WINDOW_GEOMETRY_H_
