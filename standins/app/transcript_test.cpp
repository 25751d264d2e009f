#include "standins/app/transcript.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>

namespace {

using kestro::standin::Json;
using kestro::standin::StartedLine;
using kestro::standin::StartFacts;
using kestro::standin::Transcript;

TEST(Transcript, TheStartedLineCarriesEveryFact) {
  StartFacts facts;
  facts.window_title = "kestro";
  facts.window_visible = true;
  facts.view_width = 1264;
  facts.view_height = 681;
  facts.client_width = 1264;
  facts.client_height = 681;
  facts.window_rect = {10, 10, 1290, 730};
  facts.view_window_width = 1264;
  facts.view_window_height = 681;
  facts.dpi = 96;
  facts.entrypoint_args = {"a", "", "\xC3\xA9", "\xff"};
  facts.assets_path = "data\\flutter_assets";
  facts.icu_data_path = "data\\icudtl.dat";
  facts.aot_library_path = "data\\app.so";
  facts.assets_found = true;
  facts.icu_data_found = true;
  facts.aot_library_found = false;
  facts.plugins = {{"PrintingPlugin", true, "PrintingPlugin"}, {"UrlLauncherWindows", false, ""}};
  const Json line = StartedLine(facts);
  EXPECT_EQ(line["event"], "started");
  EXPECT_EQ(line["windowTitle"], "kestro");
  EXPECT_EQ(line["windowVisible"], true);
  EXPECT_EQ(line["windowVisibleBeforeFrame"], false);
  EXPECT_EQ(line["viewSize"], Json::array({1264, 681}));
  EXPECT_EQ(line["clientSize"], Json::array({1264, 681}));
  EXPECT_EQ(line["windowRect"], Json::array({10, 10, 1280, 720}));
  EXPECT_EQ(line["dpi"], 96);
  // Text that is not UTF-8 keeps its bytes in the notation's own form.
  EXPECT_EQ(line["entrypointArgs"], Json::parse(R"(["a", "", "\u00e9", {"$stringHex": "ff"}])"));
  EXPECT_EQ(line["icuDataPath"], "data\\icudtl.dat");
  EXPECT_EQ(line["bundleFilesFound"], false);
  EXPECT_EQ(line["plugins"], Json::parse(R"([
      {"name": "PrintingPlugin", "registrar": true, "registrarFor": "PrintingPlugin"},
      {"name": "UrlLauncherWindows", "registrar": false, "registrarFor": ""}])"));
}

TEST(Transcript, WritesOneLineAtATimeAndEmptiesAnOldFile) {
  const std::string path = testing::TempDir() + "transcript_test.jsonl";
  std::ofstream(path) << "old content\n";
  {
    Transcript transcript(path);
    ASSERT_TRUE(transcript.is_open());
    transcript.Write(Json{{"event", "started"}});
    std::ifstream early(path);
    std::string first;
    std::getline(early, first);
    EXPECT_EQ(first, R"({"event":"started"})") << "each line is flushed when written";
    transcript.Write(Json{{"request", Json{{"method", "m"}}}, {"replyHex", ""}});
  }
  std::ifstream file(path);
  std::string first, second, third;
  std::getline(file, first);
  std::getline(file, second);
  EXPECT_FALSE(std::getline(file, third));
  EXPECT_EQ(second, R"({"replyHex":"","request":{"method":"m"}})");
  std::remove(path.c_str());
}

TEST(Transcript, WithoutAFileNothingIsWritten) {
  Transcript nowhere;
  EXPECT_FALSE(nowhere.is_open());
  nowhere.Write(Json{{"event", "started"}});
  Transcript unwritable(testing::TempDir() + "no/such/folder/t.jsonl");
  EXPECT_FALSE(unwritable.is_open());
}

}  // namespace
