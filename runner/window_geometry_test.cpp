#include "runner/window_geometry.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct ScalingCase {
  uint32_t dpi;
  WindowOrigin origin;
  WindowSize size;
  WindowOrigin scaled_origin;
  WindowSize scaled_size;
};

// The host's own window (origin 10, 10; size 1280 x 720) at the common DPIs,
// and values whose products are not whole.
constexpr ScalingCase kScalingCases[] = {
    {96, {10, 10}, {1280, 720}, {10, 10}, {1280, 720}},
    {120, {10, 10}, {1280, 720}, {12, 12}, {1600, 900}},
    {144, {10, 10}, {1280, 720}, {15, 15}, {1920, 1080}},
    {192, {10, 10}, {1280, 720}, {20, 20}, {2560, 1440}},
    {120, {-10, 3}, {1, 7}, {-12, 3}, {1, 8}},
    {72, {10, 11}, {0, 5}, {7, 8}, {0, 3}},
};

// Verifies that each value is scaled on its own and truncated toward zero.
TEST(WindowGeometry, ScalesOriginAndSizeToTheMonitorDpi) {
  for (const ScalingCase& c : kScalingCases) {
    SCOPED_TRACE("dpi " + std::to_string(c.dpi));
    double scale = ScaleFactorForDpi(c.dpi);
    WindowOrigin origin = ScaleOrigin(c.origin, scale);
    WindowSize size = ScaleSize(c.size, scale);
    EXPECT_EQ(origin.x, c.scaled_origin.x);
    EXPECT_EQ(origin.y, c.scaled_origin.y);
    EXPECT_EQ(size.width, c.scaled_size.width);
    EXPECT_EQ(size.height, c.scaled_size.height);
  }
}

}  // namespace
