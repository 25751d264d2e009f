// Makes a window's frame follow the user's light or dark app theme, as set in
// Windows' personalisation settings.

#ifndef KESTRO_RUNNER_SYSTEM_THEME_H_
#define KESTRO_RUNNER_SYSTEM_THEME_H_

#include <windows.h>

#include <optional>

// The value of the frame's dark mode attribute that matches the user's app
// theme: TRUE when "AppsUseLightTheme" is 0, FALSE for any other number.
// Empty when the setting cannot be read as a 32-bit number (missing, or
// stored with another registry type); the frame is then left as it is.
std::optional<BOOL> DarkFrameForUserTheme();

// Sets the dark mode attribute of `window`'s frame from the user's app
// theme, under the attribute number the running Windows build knows. Does
// nothing when the theme cannot be read, and nothing more when no number is
// accepted. A visible window's frame is redrawn at once, since Windows 10
// otherwise keeps the old caption until the window is activated again.
void ApplySystemTheme(HWND window);

// True when a WM_SETTINGCHANGE with this `lparam` announces a change of the
// user's app theme.
bool IsThemeSettingChange(LPARAM lparam);

#endif  // KESTRO_RUNNER_SYSTEM_THEME_H_
