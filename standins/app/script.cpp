#include "standins/app/script.h"

#include <optional>
#include <sstream>
#include <utility>

#include "value_notation/json_text.h"

namespace kestro::standin {
namespace {

bool IsBlank(const std::string& line) {
  return line.find_first_not_of(" \t\r") == std::string::npos;
}

// Fills `request` from one parsed line, or returns why it cannot.
std::string ReadRequest(const Json& line, ScriptRequest* request) {
  if (!line.is_object()) return "a request is a JSON object";
  for (const auto& member : line.items()) {
    const std::string& key = member.key();
    if (key != "method" && key != "arguments" && key != "raw" && key != "channel" &&
        key != "note") {
      return "unknown member \"" + key + "\"";
    }
  }
  const bool has_method = line.contains("method");
  const bool has_raw = line.contains("raw");
  if (has_method == has_raw) return "give exactly one of \"method\" and \"raw\"";
  request->line = line;
  request->channel = kDefaultChannel;
  if (line.contains("channel")) {
    if (!line["channel"].is_string()) return "\"channel\" must be a string";
    request->channel = line["channel"].get<std::string>();
  }
  if (has_raw) {
    if (line.contains("arguments")) return "\"arguments\" belongs to a method call";
    std::optional<std::vector<uint8_t>> bytes;
    if (line["raw"].is_string()) bytes = FromHex(line["raw"].get<std::string>());
    if (!bytes) return "\"raw\" must be a string of hex bytes";
    request->message = std::move(*bytes);
    return {};
  }
  if (!line["method"].is_string()) return "\"method\" must be a string";
  request->method = line["method"].get<std::string>();
  if (line.contains("arguments")) {
    NotationRead read = ValueFromNotation(line["arguments"]);
    if (!read.value) return "\"arguments\": " + read.error;
    request->arguments = std::move(read.value);
  }
  request->message =
      EncodeMethodCall(request->method, request->arguments ? &*request->arguments : nullptr);
  return {};
}

}  // namespace

Script ParseScript(const std::string& text) {
  Script script;
  std::istringstream lines(text);
  std::string line;
  for (int number = 1; std::getline(lines, line); ++number) {
    if (IsBlank(line)) continue;
    std::string error;
    const std::optional<Json> parsed = notation::ParseJson(line, &error);
    ScriptRequest request;
    if (parsed) error = ReadRequest(*parsed, &request);
    if (!error.empty()) {
      return Script{{}, "line " + std::to_string(number) + ": " + error};
    }
    script.requests.push_back(std::move(request));
  }
  return script;
}

}  // namespace kestro::standin
