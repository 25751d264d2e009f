#include "runner/window_geometry.h"

namespace {
constexpr double kLogicalDpi = 96.0;
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
