#include "embedding/app_plugins.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "codec/testing/stderr_capture.h"
#include "embedding/flutter_engine.h"
#include "embedding/testing/fake_engine.h"
#include "embedding/testing/fake_plugins.h"

namespace flutter {
namespace {

using kestro_testing::FakeEngine;
using kestro_testing::PluginRegistration;
using kestro_testing::PluginRegistrationCount;
using kestro_testing::StderrCapture;
using kestro_testing::TakePluginRegistrations;
using ::testing::IsEmpty;

// The fixed table, in registration order.
const std::vector<std::string> kPluginNames = {
    "AppLinksPluginCApi", "AudioplayersWindowsPlugin",   "ConnectivityPlusWindowsPlugin",
    "PrintingPlugin",     "SharePlusWindowsPluginCApi",  "Sqlite3FlutterLibsPlugin",
    "UrlLauncherWindows", "WindowsSingleInstancePlugin",
};

// Hands out a distinct registrar per lookup, or null, and records each name
// with how many registrations had run when it was asked for.
class RegistryDouble : public PluginRegistry {
 public:
  explicit RegistryDouble(bool null_registrars) : null_registrars_(null_registrars) {}

  FlutterDesktopPluginRegistrarRef GetPluginRegistrar(const std::string& plugin_name) override {
    asked.push_back(plugin_name);
    registrations_before.push_back(PluginRegistrationCount());
    if (null_registrars_) return nullptr;
    handed_out.push_back(
        reinterpret_cast<FlutterDesktopPluginRegistrarRef>(uintptr_t{0x1000} + asked.size()));
    return handed_out.back();
  }

  std::vector<std::string> asked;
  std::vector<size_t> registrations_before;
  std::vector<FlutterDesktopPluginRegistrarRef> handed_out;

 private:
  bool null_registrars_;
};

std::vector<std::string> Functions(const std::vector<PluginRegistration>& registrations) {
  std::vector<std::string> functions;
  for (const PluginRegistration& r : registrations) functions.push_back(r.function);
  return functions;
}

std::vector<std::string> ExpectedFunctions() {
  std::vector<std::string> functions;
  for (const std::string& name : kPluginNames) functions.push_back(name + "RegisterWithRegistrar");
  return functions;
}

// Each row completes before the next row's registrar is asked for.
TEST(RegisterAppPlugins, RegistersTheTableInOrderEachWithItsOwnRegistrar) {
  for (bool null_registrars : {false, true}) {
    SCOPED_TRACE(null_registrars ? "null registrars" : "registrars");
    TakePluginRegistrations();
    RegistryDouble registry(null_registrars);
    RegisterAppPlugins(&registry);
    std::vector<PluginRegistration> registrations = TakePluginRegistrations();

    EXPECT_EQ(registry.asked, kPluginNames);
    EXPECT_EQ(registry.registrations_before, (std::vector<size_t>{0, 1, 2, 3, 4, 5, 6, 7}));
    ASSERT_EQ(Functions(registrations), ExpectedFunctions());
    for (size_t i = 0; i < registrations.size(); ++i) {
      SCOPED_TRACE(registrations[i].function);
      EXPECT_EQ(registrations[i].registrar, null_registrars ? nullptr : registry.handed_out[i]);
    }
  }
}

TEST(RegisterAppPlugins, EngineWithoutHandleReportsEveryRowAndPluginsGetNull) {
  FakeEngine fake;
  fake.set_fail_engine_create(true);
  FlutterEngine engine(DartBundle(u"data"));
  TakePluginRegistrations();
  StderrCapture stderr_capture;
  RegisterAppPlugins(&engine);

  std::vector<std::string> lines = stderr_capture.TakeLines();
  EXPECT_EQ(lines, std::vector<std::string>(
                       8,
                       "Cannot get plugin registrar on an engine that isn't running; call "
                       "Run first."));
  std::vector<PluginRegistration> registrations = TakePluginRegistrations();
  ASSERT_EQ(Functions(registrations), ExpectedFunctions());
  for (const PluginRegistration& r : registrations) EXPECT_EQ(r.registrar, nullptr) << r.function;
  EXPECT_THAT(fake.Problems(), IsEmpty());
}

TEST(RegisterAppPlugins, EngineRegistrarsComeFromTheEngineLibraryByName) {
  FakeEngine fake;
  FlutterEngine engine(DartBundle(u"data"));
  TakePluginRegistrations();
  RegisterAppPlugins(&engine);
  std::vector<PluginRegistration> registrations = TakePluginRegistrations();
  ASSERT_EQ(registrations.size(), kPluginNames.size());
  for (size_t i = 0; i < kPluginNames.size(); ++i) {
    EXPECT_EQ(registrations[i].registrar, engine.GetPluginRegistrar(kPluginNames[i]))
        << kPluginNames[i];
  }
  EXPECT_THAT(fake.Problems(), IsEmpty());
}

}  // namespace
}  // namespace flutter
