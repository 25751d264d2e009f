#include "runner/immersive_dark_mode.h"

#include <string_view>

std::optional<uint32_t> SetImmersiveDarkMode(const DarkModeAttributeSetter& set_attribute) {
  for (uint32_t attribute : {kImmersiveDarkModeAttribute, kImmersiveDarkModeAttributeBefore19041}) {
    if (set_attribute(attribute)) return attribute;
  }
  return std::nullopt;
}

bool IsImmersiveColorSetChange(const char16_t* area) {
  return area != nullptr && std::u16string_view(area) == u"ImmersiveColorSet";
}
