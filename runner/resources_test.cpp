// Checks the resources that the resource script compiles into the
// executable: the icon group and the application manifest.

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>
#include <set>
#include <string>

#include "runner/resource_ids.h"

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

}  // namespace
