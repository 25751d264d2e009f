// Where the Dart app's files are and what its entry point is given.

#ifndef KESTRO_EMBEDDING_DART_BUNDLE_H_
#define KESTRO_EMBEDDING_DART_BUNDLE_H_

#include <cstdint>
#include <string>
#include <vector>

namespace flutter {

// A copyable value. The paths are the root joined with fixed suffixes, as
// they stand: not normalised, not made absolute, not tested for existence.
// The engine library resolves relative paths against the executable's folder.
class DartBundle {
 public:
  // The bundle under `root`: root + u"\\flutter_assets", u"\\icudtl.dat" and
  // u"\\app.so". The entry point (the engine's default) and the argument
  // list are empty; both engine option values are 0.
  explicit DartBundle(std::u16string root);

  // Replaces the entry-point arguments (UTF-8, in command-line order).
  void SetEntryPointArguments(std::vector<std::string> arguments);

  const std::u16string& assets_path() const { return assets_path_; }
  const std::u16string& icu_data_path() const { return icu_data_path_; }
  const std::u16string& aot_library_path() const { return aot_library_path_; }
  // UTF-8; empty means the engine's default entry point.
  const std::string& dart_entrypoint() const { return dart_entrypoint_; }
  const std::vector<std::string>& dart_entrypoint_arguments() const {
    return dart_entrypoint_arguments_;
  }
  // Handed to the engine as they stand; their meaning is the engine's.
  int32_t option_a() const { return option_a_; }
  int32_t option_b() const { return option_b_; }

 private:
  std::u16string assets_path_;
  std::u16string icu_data_path_;
  std::u16string aot_library_path_;
  std::string dart_entrypoint_;
  std::vector<std::string> dart_entrypoint_arguments_;
  int32_t option_a_ = 0;
  int32_t option_b_ = 0;
};

}  // namespace flutter

#endif  // KESTRO_EMBEDDING_DART_BUNDLE_H_
