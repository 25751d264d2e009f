#include "runner/system_theme.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <vector>

namespace {

constexpr wchar_t kPersonalizeKey[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Themes\\Personalize";
constexpr wchar_t kValueName[] = L"AppsUseLightTheme";

// Opens the user's personalisation key for writing and, on destruction, puts
// back the theme value that was there before (or removes it if there was
// none), so the tests leave the user's settings as they found them.
class ScopedThemeValue {
 public:
  ScopedThemeValue() {
    ::RegCreateKeyExW(HKEY_CURRENT_USER, kPersonalizeKey, 0, nullptr, 0, KEY_READ | KEY_WRITE,
                      nullptr, &key_, nullptr);
    DWORD size = 0;
    if (::RegQueryValueExW(key_, kValueName, nullptr, &saved_type_, nullptr, &size) ==
        ERROR_SUCCESS) {
      saved_.resize(size);
      ::RegQueryValueExW(key_, kValueName, nullptr, &saved_type_, saved_.data(), &size);
      had_value_ = true;
    }
  }

  ~ScopedThemeValue() {
    if (had_value_) {
      ::RegSetValueExW(key_, kValueName, 0, saved_type_, saved_.data(),
                       static_cast<DWORD>(saved_.size()));
    } else {
      ::RegDeleteValueW(key_, kValueName);
    }
    ::RegCloseKey(key_);
  }

  ScopedThemeValue(const ScopedThemeValue&) = delete;
  ScopedThemeValue& operator=(const ScopedThemeValue&) = delete;

  bool opened() const { return key_ != nullptr; }

  LONG Set(DWORD type, const std::vector<BYTE>& data) {
    return ::RegSetValueExW(key_, kValueName, 0, type, data.data(),
                            static_cast<DWORD>(data.size()));
  }

  LONG Remove() {
    LONG status = ::RegDeleteValueW(key_, kValueName);
    return status == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : status;
  }

 private:
  HKEY key_ = nullptr;
  bool had_value_ = false;
  DWORD saved_type_ = REG_NONE;
  std::vector<BYTE> saved_;
};

std::vector<BYTE> LittleEndian(uint64_t value, size_t bytes) {
  std::vector<BYTE> data;
  for (size_t i = 0; i < bytes; ++i) data.push_back(static_cast<BYTE>(value >> (8 * i)));
  return data;
}

struct ThemeCase {
  const char* label;
  bool present;
  DWORD type;
  std::vector<BYTE> data;
  std::optional<BOOL> dark_frame;
};

TEST(SystemTheme, DarkFrameFollowsAppsUseLightTheme) {
  const ThemeCase cases[] = {
      {"light theme off", true, REG_DWORD, LittleEndian(0, 4), TRUE},
      {"light theme on", true, REG_DWORD, LittleEndian(1, 4), FALSE},
      {"other number", true, REG_DWORD, LittleEndian(2, 4), FALSE},
      {"all bits set", true, REG_DWORD, LittleEndian(0xFFFFFFFF, 4), FALSE},
      {"missing", false, REG_NONE, {}, std::nullopt},
      {"string zero", true, REG_SZ, {'0', 0, 0, 0}, std::nullopt},
      {"64-bit zero", true, REG_QWORD, LittleEndian(0, 8), std::nullopt},
      {"binary zero", true, REG_BINARY, LittleEndian(0, 4), std::nullopt},
  };
  ScopedThemeValue theme;
  ASSERT_TRUE(theme.opened());
  for (const ThemeCase& c : cases) {
    SCOPED_TRACE(c.label);
    ASSERT_EQ(c.present ? theme.Set(c.type, c.data) : theme.Remove(), ERROR_SUCCESS);
    EXPECT_EQ(DarkFrameForUserTheme(), c.dark_frame);
  }
}

}  // namespace
