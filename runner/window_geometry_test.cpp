#include "runner/window_geometry.h"

#include <gtest/gtest.h>

#include <cstdint>
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

struct FitCase {
  const char* label;
  WindowBounds bounds;
  ScreenRect work_area;
  WindowBounds fitted;
};

// A 1920 x 1080 panel with a 40-pixel taskbar at the bottom, unless a case
// says otherwise.
constexpr ScreenRect kPanel{0, 0, 1920, 1040};

constexpr FitCase kFitCases[] = {
    {"100%, fits", {{10, 10}, {1280, 720}}, kPanel, {{10, 10}, {1280, 720}}},
    {"125%, fits", {{12, 12}, {1600, 900}}, kPanel, {{12, 12}, {1600, 900}}},
    {"150%, shrunk into the corner", {{15, 15}, {1920, 1080}}, kPanel, {{0, 0}, {1920, 1040}}},
    {"ends at both edges", {{640, 320}, {1280, 720}}, kPanel, {{640, 320}, {1280, 720}}},
    {"moved left only as needed", {{700, 100}, {1280, 720}}, kPanel, {{640, 100}, {1280, 720}}},
    {"1366 x 768 laptop", {{12, 12}, {1600, 900}}, {0, 0, 1366, 728}, {{0, 0}, {1366, 728}}},
    {"taskbar on the left", {{15, 15}, {1280, 720}}, {62, 0, 1920, 1080}, {{62, 15}, {1280, 720}}},
    {"left monitor", {{-1900, 10}, {1920, 1080}}, {-1920, 0, 0, 1040}, {{-1920, 0}, {1920, 1040}}},
    {"sums beyond 32 bits", {{INT32_MAX, 0}, {INT32_MAX, 10}}, kPanel, {{0, 0}, {1920, 10}}},
    {"empty work area", {{15, 15}, {1920, 1080}}, {0, 0, 0, 0}, {{15, 15}, {1920, 1080}}},
};

// Verifies that a window is shrunk and moved only as far as it must be to
// lie inside the work area.
TEST(WindowGeometry, FitsTheWindowIntoTheWorkArea) {
  for (const FitCase& c : kFitCases) {
    SCOPED_TRACE(c.label);
    WindowBounds fitted = FitToWorkArea(c.bounds, c.work_area);
    EXPECT_EQ(fitted.origin.x, c.fitted.origin.x);
    EXPECT_EQ(fitted.origin.y, c.fitted.origin.y);
    EXPECT_EQ(fitted.size.width, c.fitted.size.width);
    EXPECT_EQ(fitted.size.height, c.fitted.size.height);
  }
}

}  // namespace
