#include "runner/system_theme.h"

#include <dwmapi.h>

namespace {

constexpr wchar_t kPersonalizeKey[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Themes\\Personalize";
constexpr wchar_t kAppsUseLightTheme[] = L"AppsUseLightTheme";

// DWMWA_USE_IMMERSIVE_DARK_MODE, which older SDK headers do not name.
constexpr DWORD kUseImmersiveDarkMode = 20;

std::optional<DWORD> ReadAppsUseLightTheme() {
  DWORD value = 0;
  DWORD size = sizeof(value);
  LONG status = ::RegGetValueW(HKEY_CURRENT_USER, kPersonalizeKey, kAppsUseLightTheme,
                               RRF_RT_REG_DWORD, nullptr, &value, &size);
  if (status != ERROR_SUCCESS) return std::nullopt;
  return value;
}

}  // namespace

std::optional<BOOL> DarkFrameForUserTheme() {
  std::optional<DWORD> light = ReadAppsUseLightTheme();
  if (!light) return std::nullopt;
  return *light == 0 ? TRUE : FALSE;
}

void ApplySystemTheme(HWND window) {
  std::optional<BOOL> dark = DarkFrameForUserTheme();
  if (!dark) return;
  BOOL attribute = *dark;
  ::DwmSetWindowAttribute(window, kUseImmersiveDarkMode, &attribute, sizeof(attribute));
}
