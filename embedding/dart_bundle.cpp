#include "embedding/dart_bundle.h"

#include <utility>

namespace flutter {

DartBundle::DartBundle(std::u16string root)
    : assets_path_(root + u"\\flutter_assets"),
      icu_data_path_(root + u"\\icudtl.dat"),
      aot_library_path_(root + u"\\app.so") {}

void DartBundle::SetEntryPointArguments(std::vector<std::string> arguments) {
  dart_entrypoint_arguments_ = std::move(arguments);
}

}  // namespace flutter
