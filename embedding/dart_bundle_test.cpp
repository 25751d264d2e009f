#include "embedding/dart_bundle.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace flutter {
namespace {

struct BundlePathsCase {
  const char* label;
  std::u16string root;
  std::u16string assets_path;
  std::u16string icu_data_path;
  std::u16string aot_library_path;
};

// The root and the suffixes are joined as they stand.
TEST(DartBundle, PathsAreRootJoinedWithFixedSuffixes) {
  const BundlePathsCase cases[] = {
      {"relative root", u"data", u"data\\flutter_assets", u"data\\icudtl.dat", u"data\\app.so"},
      {"empty root", u"", u"\\flutter_assets", u"\\icudtl.dat", u"\\app.so"},
      {"trailing backslash kept", u"C:\\app\\data\\", u"C:\\app\\data\\\\flutter_assets",
       u"C:\\app\\data\\\\icudtl.dat", u"C:\\app\\data\\\\app.so"},
      {"dots not normalised", u"..\\.\\d\u00e4t\u00e4", u"..\\.\\d\u00e4t\u00e4\\flutter_assets",
       u"..\\.\\d\u00e4t\u00e4\\icudtl.dat", u"..\\.\\d\u00e4t\u00e4\\app.so"},
  };
  for (const BundlePathsCase& c : cases) {
    SCOPED_TRACE(c.label);
    DartBundle bundle(c.root);
    EXPECT_EQ(bundle.assets_path(), c.assets_path);
    EXPECT_EQ(bundle.icu_data_path(), c.icu_data_path);
    EXPECT_EQ(bundle.aot_library_path(), c.aot_library_path);
  }
}

TEST(DartBundle, StartsWithDefaultEntryPointNoArgumentsAndZeroOptions) {
  DartBundle bundle(u"data");
  EXPECT_EQ(bundle.dart_entrypoint(), "");
  EXPECT_TRUE(bundle.dart_entrypoint_arguments().empty());
  EXPECT_EQ(bundle.option_a(), 0);
  EXPECT_EQ(bundle.option_b(), 0);
}

TEST(DartBundle, SetEntryPointArgumentsReplacesTheListByMovingIt) {
  DartBundle bundle(u"data");
  bundle.SetEntryPointArguments({"--old", "stale"});

  std::vector<std::string> arguments = {"--verbose", "caf\xc3\xa9", ""};
  const std::string* storage = arguments.data();
  bundle.SetEntryPointArguments(std::move(arguments));

  EXPECT_EQ(bundle.dart_entrypoint_arguments(),
            (std::vector<std::string>{"--verbose", "caf\xc3\xa9", ""}));
  // The caller's strings now live in the bundle: nothing was copied.
  EXPECT_EQ(bundle.dart_entrypoint_arguments().data(), storage);
}

TEST(DartBundle, CopiesAreIndependentValues) {
  DartBundle original(u"data");
  original.SetEntryPointArguments({"a"});
  DartBundle copy = original;
  original.SetEntryPointArguments({"b", "c"});

  EXPECT_EQ(copy.dart_entrypoint_arguments(), std::vector<std::string>{"a"});
  EXPECT_EQ(copy.assets_path(), u"data\\flutter_assets");
}

}  // namespace
}  // namespace flutter
