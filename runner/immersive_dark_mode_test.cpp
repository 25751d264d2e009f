#include "runner/immersive_dark_mode.h"

#include <gtest/gtest.h>

#include <optional>
#include <vector>

namespace {

struct FallbackCase {
  const char* label;
  bool accepts_20;
  bool accepts_19;
  std::vector<uint32_t> tried;
  std::optional<uint32_t> accepted;
};

// Verifies that 19 is tried only after 20 was refused, and that the result
// names the attribute that took.
TEST(ImmersiveDarkMode, FallsBackFrom20To19) {
  const FallbackCase cases[] = {
      {"19041 and later", true, false, {20}, 20},
      {"17763 to 18363", false, true, {20, 19}, 19},
      {"older than 17763", false, false, {20, 19}, std::nullopt},
  };
  for (const FallbackCase& c : cases) {
    SCOPED_TRACE(c.label);
    std::vector<uint32_t> tried;
    std::optional<uint32_t> accepted = SetImmersiveDarkMode([&](uint32_t attribute) {
      tried.push_back(attribute);
      return attribute == 20 ? c.accepts_20 : attribute == 19 && c.accepts_19;
    });
    EXPECT_EQ(tried, c.tried);
    EXPECT_EQ(accepted, c.accepted);
  }
}

// Only the exact setting name counts; a null name must not be read.
TEST(ImmersiveDarkMode, OnlyTheImmersiveColorSetIsAThemeChange) {
  EXPECT_TRUE(IsImmersiveColorSetChange(u"ImmersiveColorSet"));
  for (const char16_t* area :
       {u"ImmersiveColor", u"ImmersiveColorSetX", u"immersivecolorset", u""}) {
    EXPECT_FALSE(IsImmersiveColorSetChange(area));
  }
  EXPECT_FALSE(IsImmersiveColorSetChange(nullptr));
}

}  // namespace
