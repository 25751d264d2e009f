#include "runner/window_geometry.h"

#include <algorithm>

namespace {

constexpr double kLogicalDpi = 96.0;

// One axis of FitToWorkArea: the start and length of a span fitted into
// [low, high). Computed in 64 bits, so no sum of two 32-bit values
// overflows.
void FitSpan(int32_t* start, int32_t* length, int32_t low, int32_t high) {
  const int64_t room = int64_t{high} - low;
  const int64_t fitted = std::min<int64_t>(*length, room);
  const int64_t end = std::min<int64_t>(int64_t{*start} + fitted, high);
  *start = static_cast<int32_t>(std::max<int64_t>(end - fitted, low));
  *length = static_cast<int32_t>(fitted);
}

}  // namespace

double ScaleFactorForDpi(uint32_t dpi) { return dpi / kLogicalDpi; }

int32_t ScaleLogicalValue(int32_t value, double scale) {
  return static_cast<int32_t>(static_cast<double>(value) * scale);
}

WindowOrigin ScaleOrigin(const WindowOrigin& origin, double scale) {
  return {ScaleLogicalValue(origin.x, scale), ScaleLogicalValue(origin.y, scale)};
}

WindowSize ScaleSize(const WindowSize& size, double scale) {
  return {ScaleLogicalValue(size.width, scale), ScaleLogicalValue(size.height, scale)};
}

WindowBounds FitToWorkArea(const WindowBounds& bounds, const ScreenRect& work_area) {
  if (work_area.right <= work_area.left || work_area.bottom <= work_area.top) return bounds;
  WindowBounds fitted = bounds;
  FitSpan(&fitted.origin.x, &fitted.size.width, work_area.left, work_area.right);
  FitSpan(&fitted.origin.y, &fitted.size.height, work_area.top, work_area.bottom);
  return fitted;
}
