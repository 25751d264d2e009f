#include "cash_drawer/registry_value_win.h"

#include "text/wide_chars.h"

namespace kestro {
namespace {

// A value that grows between the sizing call and the reading call is read
// again, this many times at most.
constexpr int kReadAttempts = 3;

}  // namespace

std::optional<std::u16string> ReadRegistryString(HKEY key, const std::u16string& name,
                                                 bool* wrong_type) {
  const wchar_t* value_name = text::AsWideChars(name);
  for (int attempt = 0; attempt < kReadAttempts; ++attempt) {
    DWORD type = REG_NONE;
    DWORD bytes = 0;
    if (::RegGetValueW(key, nullptr, value_name, RRF_RT_ANY | RRF_NOEXPAND, &type, nullptr,
                       &bytes) != ERROR_SUCCESS) {
      return std::nullopt;
    }
    if (type != REG_SZ) {
      if (wrong_type != nullptr) *wrong_type = true;
      return std::nullopt;
    }
    // RegGetValueW adds a terminating NUL when the stored text lacks one.
    std::u16string value(bytes / sizeof(char16_t) + 1, u'\0');
    bytes = static_cast<DWORD>(value.size() * sizeof(char16_t));
    const LSTATUS status = ::RegGetValueW(key, nullptr, value_name, RRF_RT_REG_SZ, nullptr,
                                          text::AsWritableWideChars(&value), &bytes);
    if (status == ERROR_MORE_DATA) continue;
    if (status != ERROR_SUCCESS) return std::nullopt;
    value.resize(bytes / sizeof(char16_t));
    while (!value.empty() && value.back() == u'\0') value.pop_back();
    return value;
  }
  return std::nullopt;
}

std::optional<uint32_t> ReadRegistryDword(HKEY key, const std::u16string& name, bool* wrong_type) {
  DWORD value = 0;
  DWORD bytes = sizeof(value);
  const LSTATUS status = ::RegGetValueW(key, nullptr, text::AsWideChars(name), RRF_RT_REG_DWORD,
                                        nullptr, &value, &bytes);
  if (status == ERROR_UNSUPPORTED_TYPE && wrong_type != nullptr) *wrong_type = true;
  if (status != ERROR_SUCCESS) return std::nullopt;
  return value;
}

}  // namespace kestro
