#include "runner/system_theme.h"

#include <dwmapi.h>

#include <cstdint>

#include "runner/immersive_dark_mode.h"

namespace {

constexpr wchar_t kPersonalizeKey[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Themes\\Personalize";
constexpr wchar_t kAppsUseLightTheme[] = L"AppsUseLightTheme";

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
  BOOL value = *dark;
  auto set_attribute = [window, &value](uint32_t attribute) {
    return SUCCEEDED(::DwmSetWindowAttribute(window, attribute, &value, sizeof(value)));
  };
  if (!SetImmersiveDarkMode(set_attribute) || !::IsWindowVisible(window)) return;
  // Recomputes and repaints the frame without moving, sizing, reordering or
  // activating the window.
  ::SetWindowPos(window, nullptr, 0, 0, 0, 0,
                 SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

bool IsThemeSettingChange(LPARAM lparam) {
  // The setting's name arrives as a wide string, or as null.
  return IsImmersiveColorSetChange(reinterpret_cast<const char16_t*>(lparam));
}
