// The dark mode switch of a window's frame across Windows 10 builds: the
// attribute number each build knows it by, and the setting-change
// notification that some builds send when the user's theme changes.

#ifndef KESTRO_RUNNER_IMMERSIVE_DARK_MODE_H_
#define KESTRO_RUNNER_IMMERSIVE_DARK_MODE_H_

#include <cstdint>
#include <functional>
#include <optional>

// DWMWA_USE_IMMERSIVE_DARK_MODE as Windows 10 build 19041 and later name it.
inline constexpr uint32_t kImmersiveDarkModeAttribute = 20;
// The same switch on builds 17763 to 18363, which refuse attribute 20.
inline constexpr uint32_t kImmersiveDarkModeAttributeBefore19041 = 19;

// Sets one window attribute to the frame's dark mode value; true when the
// system accepted it.
using DarkModeAttributeSetter = std::function<bool(uint32_t attribute)>;

// Switches a frame's dark mode through `set_attribute`: attribute 20 first,
// and 19 only when 20 is refused. Returns the attribute that was accepted,
// or empty when both were refused (systems older than 17763).
std::optional<uint32_t> SetImmersiveDarkMode(const DarkModeAttributeSetter& set_attribute);

// True when `area`, the setting name of a WM_SETTINGCHANGE (null when the
// message names none), is "ImmersiveColorSet": the user's app theme or
// colours changed. Some Windows 10 builds announce a theme change this way
// instead of with WM_DWMCOLORIZATIONCOLORCHANGED.
bool IsImmersiveColorSetChange(const char16_t* area);

#endif  // KESTRO_RUNNER_IMMERSIVE_DARK_MODE_H_
