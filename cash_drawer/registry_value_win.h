// Reading one value of an open registry key, as the drawer's settings and the
// USB printer lookup need it: a string, told apart from a value of another
// type, and a DWORD.

#ifndef KESTRO_CASH_DRAWER_REGISTRY_VALUE_WIN_H_
#define KESTRO_CASH_DRAWER_REGISTRY_VALUE_WIN_H_

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>

namespace kestro {

// The REG_SZ value `name` of `key` (RegGetValueW), without its terminating
// NUL; nullopt when it is missing or cannot be read. A value of another type,
// REG_EXPAND_SZ included, is nullopt too and sets `*wrong_type` to true
// (which may be null); nothing else changes `*wrong_type`.
std::optional<std::u16string> ReadRegistryString(HKEY key, const std::u16string& name,
                                                 bool* wrong_type);

// The REG_DWORD value `name` of `key`; nullopt when it is missing or cannot
// be read. A value of another type is nullopt too and sets `*wrong_type` to
// true (which may be null); nothing else changes `*wrong_type`.
std::optional<uint32_t> ReadRegistryDword(HKEY key, const std::u16string& name,
                                          bool* wrong_type = nullptr);

}  // namespace kestro

#endif  // KESTRO_CASH_DRAWER_REGISTRY_VALUE_WIN_H_
