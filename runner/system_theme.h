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
// theme. Does nothing when the theme cannot be read; the attribute call's
// own failure is ignored.
void ApplySystemTheme(HWND window);

#endif  // KESTRO_RUNNER_SYSTEM_THEME_H_
