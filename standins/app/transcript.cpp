#include "standins/app/transcript.h"

#include <cmath>
#include <filesystem>

namespace kestro::standin {
namespace {

Json Pair(int first, int second) { return Json::array({first, second}); }

Json StringValue(const std::string& text) {
  return NotationFromValue(flutter::EncodableValue(text));
}

}  // namespace

Json TimeStamp(double milliseconds) { return std::round(milliseconds * 1000.0) / 1000.0; }

Json StartedLine(const StartFacts& facts) {
  Json arguments = Json::array();
  for (const std::string& argument : facts.entrypoint_args) {
    arguments.push_back(StringValue(argument));
  }
  Json plugins = Json::array();
  for (const PluginRecord& plugin : facts.plugins) {
    plugins.push_back(Json{{"name", plugin.name},
                           {"registrar", plugin.registrar},
                           {"registrarFor", plugin.registrar_for}});
  }
  const Rect& window = facts.window_rect;
  return Json{
      {"event", "started"},
      {"ms", TimeStamp(facts.first_frame_ms)},
      {"windowTitle", StringValue(facts.window_title)},
      {"windowVisible", facts.window_visible},
      {"windowVisibleBeforeFrame", facts.window_visible_before_frame},
      {"windowShownBeforeFrame", facts.window_shown_before_frame},
      {"viewSize", Pair(facts.view_width, facts.view_height)},
      {"clientSize", Pair(facts.client_width, facts.client_height)},
      {"windowRect", Json::array({window.left, window.top, window.right - window.left,
                                  window.bottom - window.top})},
      {"viewWindowSize", Pair(facts.view_window_width, facts.view_window_height)},
      {"dpi", facts.dpi},
      {"entrypointArgs", arguments},
      {"assetsPath", StringValue(facts.assets_path)},
      {"icuDataPath", StringValue(facts.icu_data_path)},
      {"aotLibraryPath", StringValue(facts.aot_library_path)},
      {"bundleFilesFound", facts.assets_found && facts.icu_data_found && facts.aot_library_found},
      {"plugins", plugins},
  };
}

Transcript::Transcript(const std::string& path)
    : file_(std::filesystem::u8path(path), std::ios::out | std::ios::trunc | std::ios::binary) {}

void Transcript::Write(const Json& line) {
  if (!file_.is_open()) return;
  file_ << line.dump(-1, ' ', false, Json::error_handler_t::replace) << '\n';
  file_.flush();
}

}  // namespace kestro::standin
