#include "bench/nlohmann_peer.h"

#include <cstdint>
#include <string>

namespace kestro::bench {
namespace {

using flutter::EncodableValue;
using flutter::ValueKind;
using nlohmann::json;

template <typename Sequence>
json ArrayOf(const Sequence& elements) {
  json array = json::array();
  for (const auto& element : elements) array.push_back(element);
  return array;
}

json ListOf(const flutter::ValueList& list) {
  json array = json::array();
  for (const EncodableValue& element : list) array.push_back(ToJson(element));
  return array;
}

std::string KeyText(const EncodableValue& key) {
  if (const std::string* text = key.GetIf<std::string>()) return *text;
  return ToJson(key).dump();
}

json ObjectOf(const flutter::ValueMap& map) {
  json object = json::object();
  for (const auto& [key, mapped] : map) object[KeyText(key)] = ToJson(mapped);
  return object;
}

}  // namespace

json ToJson(const EncodableValue& value) {
  switch (value.kind()) {
    case ValueKind::kNull:
    case ValueKind::kCustom:
      return nullptr;
    case ValueKind::kBool:
      return value.Get<bool>();
    case ValueKind::kInt32:
      return value.Get<int32_t>();
    case ValueKind::kInt64:
      return value.Get<int64_t>();
    case ValueKind::kDouble:
      return value.Get<double>();
    case ValueKind::kString:
      return value.Get<std::string>();
    case ValueKind::kByteArray:
      return json::binary(value.Get<flutter::ByteArray>());
    case ValueKind::kInt32Array:
      return ArrayOf(value.Get<flutter::Int32Array>());
    case ValueKind::kInt64Array:
      return ArrayOf(value.Get<flutter::Int64Array>());
    case ValueKind::kFloat64Array:
      return ArrayOf(value.Get<flutter::Float64Array>());
    case ValueKind::kFloat32Array:
      return ArrayOf(value.Get<flutter::Float32Array>());
    case ValueKind::kList:
      return ListOf(value.Get<flutter::ValueList>());
    case ValueKind::kMap:
      return ObjectOf(value.Get<flutter::ValueMap>());
  }
  return nullptr;
}

}  // namespace kestro::bench
