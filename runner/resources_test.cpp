// Checks the resources that the resource script compiles into the
// executable: the icon group, the application manifest and the version
// resource.

#include <gtest/gtest.h>
#include <windows.h>
#include <winver.h>

#include <cstdint>
#include <cstdio>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "runner/resource_ids.h"
#include "runner/version.h"

namespace {

#pragma pack(push, 2)
// The layout of an icon group resource (RT_GROUP_ICON).
struct IconGroupHeader {
  uint16_t reserved;
  uint16_t type;
  uint16_t count;
};
struct IconGroupEntry {
  uint8_t width;
  uint8_t height;
  uint8_t colour_count;
  uint8_t reserved;
  uint16_t planes;
  uint16_t bit_count;
  uint32_t bytes_in_resource;
  uint16_t id;
};
#pragma pack(pop)

// The bytes of a resource of this executable, or an empty string.
std::string ResourceBytes(LPCWSTR name, LPCWSTR type) {
  HMODULE module = ::GetModuleHandleW(nullptr);
  HRSRC resource = ::FindResourceW(module, name, type);
  if (resource == nullptr) return {};
  HGLOBAL loaded = ::LoadResource(module, resource);
  const void* data = loaded ? ::LockResource(loaded) : nullptr;
  if (data == nullptr) return {};
  return std::string(static_cast<const char*>(data), ::SizeofResource(module, resource));
}

TEST(Resources, IconGroupHoldsSixSquareSizesAt32Bits) {
  std::string group = ResourceBytes(MAKEINTRESOURCEW(IDI_APP_ICON), RT_GROUP_ICON);
  ASSERT_GE(group.size(), sizeof(IconGroupHeader));
  const auto* header = reinterpret_cast<const IconGroupHeader*>(group.data());
  ASSERT_EQ(header->type, 1);
  ASSERT_EQ(group.size(), sizeof(IconGroupHeader) + header->count * sizeof(IconGroupEntry));

  const auto* entries = reinterpret_cast<const IconGroupEntry*>(header + 1);
  std::set<int> sizes;
  for (uint16_t i = 0; i < header->count; ++i) {
    const IconGroupEntry& entry = entries[i];
    int side = entry.width == 0 ? 256 : entry.width;
    SCOPED_TRACE(side);
    EXPECT_EQ(entry.width, entry.height);
    EXPECT_EQ(entry.bit_count, 32);
    // Each image of the group is present as an icon of its own.
    EXPECT_EQ(ResourceBytes(MAKEINTRESOURCEW(entry.id), RT_ICON).size(), entry.bytes_in_resource);
    sizes.insert(side);
  }
  EXPECT_EQ(sizes, (std::set<int>{16, 32, 48, 64, 128, 256}));
  EXPECT_NE(::LoadIconW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_APP_ICON)), nullptr);
}

// Each DPI declaration counts only in its own namespace: a dpiAware in the
// 2016 namespace, or a dpiAwareness in the 2005 one, is ignored by Windows.
TEST(Resources, ManifestDeclaresRightsDpiAwarenessAndSupportedSystem) {
  std::string manifest = ResourceBytes(MAKEINTRESOURCEW(1), RT_MANIFEST);
  ASSERT_FALSE(manifest.empty());
  const char* required[] = {
      "level=\"asInvoker\"",
      "uiAccess=\"false\"",
      "<dpiAwareness xmlns=\"http://schemas.microsoft.com/SMI/2016/WindowsSettings\">"
      "PerMonitorV2, PerMonitor</dpiAwareness>",
      "<dpiAware xmlns=\"http://schemas.microsoft.com/SMI/2005/WindowsSettings\">"
      "true/pm</dpiAware>",
      "<supportedOS Id=\"{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}\"/>",
  };
  for (const char* text : required) {
    EXPECT_NE(manifest.find(text), std::string::npos) << text;
  }
}

// The version numbers the build wrote, as the resource's fixed part holds them.
constexpr WORD kVersion[] = {KESTRO_VERSION_NUMBERS};

std::wstring Widened(const std::string& ascii) { return std::wstring(ascii.begin(), ascii.end()); }

// The version resource as Windows reads it from the file: the fixed part,
// the language table and every string, which name one version throughout.
TEST(Resources, VersionResourceNamesTheProgramAndTheProjectVersion) {
  wchar_t path[MAX_PATH];
  ASSERT_GT(::GetModuleFileNameW(nullptr, path, MAX_PATH), 0u);
  DWORD size = ::GetFileVersionInfoSizeW(path, nullptr);
  ASSERT_GT(size, 0u);
  std::vector<char> info(size);
  ASSERT_TRUE(::GetFileVersionInfoW(path, 0, size, info.data()));
  auto query = [&info](const wchar_t* name, UINT* length) {
    void* value = nullptr;
    return ::VerQueryValueW(info.data(), name, &value, length) ? value : nullptr;
  };

  UINT length = 0;
  const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(query(L"\\", &length));
  ASSERT_NE(fixed, nullptr);
  ASSERT_EQ(length, sizeof(VS_FIXEDFILEINFO));
  EXPECT_EQ(fixed->dwSignature, VS_FFI_SIGNATURE);
  EXPECT_EQ(fixed->dwFileVersionMS, DWORD{kVersion[0]} << 16 | kVersion[1]);
  EXPECT_EQ(fixed->dwFileVersionLS, DWORD{kVersion[2]} << 16 | kVersion[3]);
  EXPECT_EQ(fixed->dwProductVersionMS, fixed->dwFileVersionMS);
  EXPECT_EQ(fixed->dwProductVersionLS, fixed->dwFileVersionLS);
  EXPECT_EQ(fixed->dwFileFlags, 0u);
  EXPECT_EQ(fixed->dwFileOS, static_cast<DWORD>(VOS_NT_WINDOWS32));
  EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_APP));

  const auto* language = static_cast<const WORD*>(query(L"\\VarFileInfo\\Translation", &length));
  ASSERT_NE(language, nullptr);
  ASSERT_EQ(length, 2 * sizeof(WORD));
  EXPECT_EQ(language[0], 0x0409);  // US English
  EXPECT_EQ(language[1], 1200);    // UTF-16

  char numbers[32];
  std::snprintf(numbers, sizeof numbers, "%u.%u.%u", kVersion[0], kVersion[1], kVersion[2]);
  EXPECT_EQ(std::string(numbers), KESTRO_VERSION_TEXT);
  const std::map<std::wstring, std::wstring> expected = {
      {L"CompanyName", Widened(KESTRO_PUBLISHER)},
      {L"FileDescription", L"kestro point of sale"},
      {L"FileVersion", Widened(KESTRO_VERSION_TEXT)},
      {L"InternalName", L"kestro"},
      {L"OriginalFilename", L"kestro.exe"},
      {L"ProductName", L"kestro"},
      {L"ProductVersion", Widened(KESTRO_VERSION_TEXT)},
  };
  std::map<std::wstring, std::wstring> found;
  for (const auto& [name, value] : expected) {
    const std::wstring key = L"\\StringFileInfo\\040904b0\\" + name;
    if (const auto* text = static_cast<const wchar_t*>(query(key.c_str(), &length))) {
      found[name] = text;
    }
  }
  EXPECT_EQ(found, expected);
}

}  // namespace
