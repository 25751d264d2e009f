#include "value_notation/value_notation.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string_view>
#include <type_traits>
#include <utility>

#include "codec/standard_codec_serializer.h"
#include "text/hex.h"
#include "text/utf8.h"
#include "value_notation/json_path.h"

namespace kestro::notation {
namespace {

using flutter::EncodableValue;
using flutter::ValueKind;
using nlohmann::json;
using text::ParseHex;
using text::ReadUtf8Sequence;
using text::ToHex;
using text::Utf8Sequence;

constexpr char kInt64[] = "$int64";
constexpr char kDouble[] = "$double";
constexpr char kStringHex[] = "$stringHex";
constexpr char kUint8[] = "$uint8";
constexpr char kInt32s[] = "$int32s";
constexpr char kInt64s[] = "$int64s";
constexpr char kFloat64s[] = "$float64s";
constexpr char kFloat32s[] = "$float32s";
constexpr char kMap[] = "$map";

constexpr std::string_view kTags[] = {kInt64,  kDouble,   kStringHex, kUint8, kInt32s,
                                      kInt64s, kFloat64s, kFloat32s,  kMap};

bool IsTag(std::string_view name) {
  for (std::string_view tag : kTags) {
    if (name == tag) return true;
  }
  return false;
}

// Where a value sits in a document, rendered only when an error needs it.
struct Path {
  const Path* parent = nullptr;
  std::string_view member;  // used when `index` is npos; the root's own name

  size_t index = std::string::npos;
  int depth = 0;

  Path Member(std::string_view name) const {
    return Path{this, name, std::string::npos, depth + 1};
  }
  Path Element(size_t position) const { return Path{this, {}, position, depth + 1}; }

  std::string Render() const {
    if (parent == nullptr) return std::string(member);
    if (index != std::string::npos) return ElementPath(parent->Render(), index);
    return MemberPath(parent->Render(), member);
  }
};

json Tagged(const char* tag, json payload) {
  json object = json::object();
  object[tag] = std::move(payload);
  return object;
}

json DoubleToJson(double number) {
  if (std::isnan(number)) return Tagged(kDouble, "NaN");
  if (std::isinf(number)) return Tagged(kDouble, number > 0 ? "Infinity" : "-Infinity");
  return json(number);
}

// `number` rounded to the nearest float, or none when that is an infinity.
// Rounding to nearest keeps numbers less than half a unit in the last place
// beyond FLT_MAX at FLT_MAX; the shortest decimal that names FLT_MAX,
// 3.4028235e+38, is such a number. NaNs and infinities stay what they are.
std::optional<float> NarrowToFloat(double number) {
  constexpr float kLargest = std::numeric_limits<float>::max();  // 2^128 - 2^104
  constexpr double kRoundsToInfinity = double{kLargest} + 0x1p103;
  const double magnitude = std::abs(number);
  if (magnitude > kLargest && magnitude < kRoundsToInfinity) {
    return number < 0 ? -kLargest : kLargest;
  }
  if (magnitude >= kRoundsToInfinity && !std::isinf(number)) return std::nullopt;
  return static_cast<float>(number);
}

// The shortest decimal that reads back to the same float, held as a double,
// so that 0.1f shows as 0.1 rather than 0.10000000149011612. The reader
// rounds that double to a float in turn; should the two roundings ever land
// elsewhere than on `number`, the float's exact value is shown instead.
json FloatToJson(float number) {
  if (!std::isfinite(number)) return DoubleToJson(number);
  char text[32];
  const char* const end = std::to_chars(text, text + sizeof(text), number).ptr;
  double shortest = 0;
  std::from_chars(text, end, shortest);  // as ParseJson reads it
  const std::optional<float> read_back = NarrowToFloat(shortest);
  const bool same_bits = read_back && std::memcmp(&*read_back, &number, sizeof(number)) == 0;
  return json(same_bits ? shortest : double{number});
}

template <typename Sequence, typename Convert>
json ArrayOf(const Sequence& sequence, Convert convert) {
  json array = json::array();
  for (const auto& element : sequence) array.push_back(convert(element));
  return array;
}

class JsonWriter {
 public:
  std::optional<json> Write(const EncodableValue& value, const Path& path) {
    switch (value.kind()) {
      case ValueKind::kNull:
        return json(nullptr);
      case ValueKind::kBool:
        return json(value.Get<bool>());
      case ValueKind::kInt32:
        return json(value.Get<int32_t>());
      case ValueKind::kInt64:
        return Tagged(kInt64, value.Get<int64_t>());
      case ValueKind::kDouble:
        return DoubleToJson(value.Get<double>());
      case ValueKind::kString:
        return StringToJson(value.Get<std::string>());
      case ValueKind::kByteArray:
        return Tagged(kUint8, ToHex(value.Get<flutter::ByteArray>()));
      case ValueKind::kInt32Array:
        return Tagged(kInt32s, json(value.Get<flutter::Int32Array>()));
      case ValueKind::kInt64Array:
        return Tagged(kInt64s, json(value.Get<flutter::Int64Array>()));
      case ValueKind::kFloat64Array:
        return Tagged(kFloat64s, ArrayOf(value.Get<flutter::Float64Array>(), DoubleToJson));
      case ValueKind::kFloat32Array:
        return Tagged(kFloat32s, ArrayOf(value.Get<flutter::Float32Array>(), FloatToJson));
      case ValueKind::kList:
        return WriteList(value.Get<flutter::ValueList>(), path);
      case ValueKind::kMap:
        return WriteMap(value.Get<flutter::ValueMap>(), path);
      case ValueKind::kCustom:
        error = "a custom value cannot be written in the notation, at " + path.Render();
        return std::nullopt;
    }
    return std::nullopt;
  }

  std::string error;

 private:
  static json StringToJson(const std::string& text) {
    if (IsValidUtf8(text)) return json(text);
    return Tagged(kStringHex, ToHex(reinterpret_cast<const uint8_t*>(text.data()), text.size()));
  }

  std::optional<json> WriteList(const flutter::ValueList& list, const Path& path) {
    json array = json::array();
    for (size_t i = 0; i < list.size(); ++i) {
      std::optional<json> element = Write(list[i], path.Element(i));
      if (!element) return std::nullopt;
      array.push_back(std::move(*element));
    }
    return array;
  }

  // A JSON object when every key is a UTF-8 string that cannot be taken for
  // a tag; else the $map form, which keeps any key.
  static bool FitsAnObject(const flutter::ValueMap& map) {
    for (const auto& entry : map) {
      const std::string* key = entry.first.GetIf<std::string>();
      if (key == nullptr || !IsValidUtf8(*key) || (!key->empty() && (*key)[0] == '$')) {
        return false;
      }
    }
    return true;
  }

  std::optional<json> WriteMap(const flutter::ValueMap& map, const Path& path) {
    const bool as_object = FitsAnObject(map);
    json out = as_object ? json::object() : json::array();
    size_t i = 0;
    for (const auto& [key, mapped] : map) {
      const Path entry_path = path.Element(i++);
      std::optional<json> mapped_json = Write(mapped, entry_path.Element(1));
      if (!mapped_json) return std::nullopt;
      if (as_object) {
        out[key.Get<std::string>()] = std::move(*mapped_json);
        continue;
      }
      std::optional<json> key_json = Write(key, entry_path.Element(0));
      if (!key_json) return std::nullopt;
      out.push_back(json::array({std::move(*key_json), std::move(*mapped_json)}));
    }
    return as_object ? out : Tagged(kMap, std::move(out));
  }
};

std::optional<int64_t> Int64Of(const json& number) {
  if (number.is_number_integer() && !number.is_number_unsigned()) return number.get<int64_t>();
  if (number.is_number_unsigned()) {
    const uint64_t unsigned_number = number.get<uint64_t>();
    if (unsigned_number <= uint64_t{std::numeric_limits<int64_t>::max()}) {
      return static_cast<int64_t>(unsigned_number);
    }
  }
  return std::nullopt;
}

bool FitsInt32(int64_t number) {
  return number >= std::numeric_limits<int32_t>::min() &&
         number <= std::numeric_limits<int32_t>::max();
}

// A number, or one of the three names for the values JSON has no number for.
std::optional<double> DoubleOf(const json& payload) {
  if (payload.is_number()) return payload.get<double>();
  if (!payload.is_string()) return std::nullopt;
  const std::string& name = payload.get_ref<const std::string&>();
  if (name == "NaN") return std::numeric_limits<double>::quiet_NaN();
  if (name == "Infinity") return std::numeric_limits<double>::infinity();
  if (name == "-Infinity") return -std::numeric_limits<double>::infinity();
  return std::nullopt;
}

// An element of a float array: a number or a {"$double": ..} object.
std::optional<double> FloatElementOf(const json& element) {
  if (element.is_number()) return element.get<double>();
  if (element.is_object() && element.size() == 1 && element.contains(kDouble)) {
    return DoubleOf(element.at(kDouble));
  }
  return std::nullopt;
}

class JsonReader {
 public:
  std::optional<EncodableValue> Read(const json& json, const Path& path) {
    switch (json.type()) {
      case json::value_t::null:
        return EncodableValue();
      case json::value_t::boolean:
        return EncodableValue(json.get<bool>());
      case json::value_t::number_integer:
      case json::value_t::number_unsigned:
        return ReadInteger(json, path);
      case json::value_t::number_float:
        return EncodableValue(json.get<double>());
      case json::value_t::string:
        return EncodableValue(json.get<std::string>());
      case json::value_t::array:
        return ReadList(json, path);
      case json::value_t::object:
        if (json.size() == 1 && IsTag(json.begin().key())) return ReadTagged(json, path);
        return ReadObject(json, path);
      default:
        return Fail("not a JSON value the notation knows", path);
    }
  }

  std::string error;

 private:
  std::nullopt_t Fail(const std::string& what, const Path& path) {
    error = ErrorAt(what, path.Render());
    return std::nullopt;
  }

  // Lists and maps nest no deeper than the codec reads them, which also
  // bounds this reader's own recursion.
  class Nesting {
   public:
    explicit Nesting(int* depth) : depth_(depth) { ++*depth_; }
    ~Nesting() { --*depth_; }
    Nesting(const Nesting&) = delete;
    Nesting& operator=(const Nesting&) = delete;
    bool too_deep() const { return *depth_ > flutter::StandardCodecSerializer::kMaxNestingDepth; }

   private:
    int* depth_;
  };

  std::nullopt_t FailTooDeep(const Path& path) {
    return Fail("nested deeper than " +
                    std::to_string(flutter::StandardCodecSerializer::kMaxNestingDepth) + " levels",
                path);
  }

  int depth_ = 0;

  std::optional<EncodableValue> ReadInteger(const json& number, const Path& path) {
    const std::optional<int64_t> integer = Int64Of(number);
    if (!integer) return Fail("integer " + number.dump() + " beyond the 64-bit range", path);
    if (FitsInt32(*integer)) return EncodableValue(static_cast<int32_t>(*integer));
    return EncodableValue(*integer);
  }

  std::optional<EncodableValue> ReadList(const json& array, const Path& path) {
    const Nesting nesting(&depth_);
    if (nesting.too_deep()) return FailTooDeep(path);
    flutter::ValueList list;
    list.reserve(array.size());
    for (size_t i = 0; i < array.size(); ++i) {
      std::optional<EncodableValue> element = Read(array[i], path.Element(i));
      if (!element) return std::nullopt;
      list.push_back(std::move(*element));
    }
    return EncodableValue(std::move(list));
  }

  std::optional<EncodableValue> ReadObject(const json& object, const Path& path) {
    const Nesting nesting(&depth_);
    if (nesting.too_deep()) return FailTooDeep(path);
    flutter::ValueMap map;
    for (const auto& [name, member] : object.items()) {
      std::optional<EncodableValue> mapped = Read(member, path.Member(name));
      if (!mapped) return std::nullopt;
      map.emplace(EncodableValue(name), std::move(*mapped));
    }
    return EncodableValue(std::move(map));
  }

  std::optional<EncodableValue> ReadTagged(const json& object, const Path& path) {
    const std::string& tag = object.begin().key();
    const json& payload = object.begin().value();
    const Path at = path.Member(tag);
    if (tag == kInt64) {
      const std::optional<int64_t> integer = Int64Of(payload);
      if (!integer) return Fail("$int64 needs an integer within the 64-bit range", at);
      return EncodableValue(*integer);
    }
    if (tag == kDouble) {
      const std::optional<double> number = DoubleOf(payload);
      if (!number) return Fail(R"($double needs a number, "NaN", "Infinity" or "-Infinity")", at);
      return EncodableValue(*number);
    }
    if (tag == kStringHex || tag == kUint8) return ReadHex(tag, payload, at);
    if (tag == kInt32s) return ReadIntegers<flutter::Int32Array>(payload, at);
    if (tag == kInt64s) return ReadIntegers<flutter::Int64Array>(payload, at);
    if (tag == kFloat64s) return ReadFloats<flutter::Float64Array>(payload, at);
    if (tag == kFloat32s) return ReadFloats<flutter::Float32Array>(payload, at);
    return ReadMapEntries(payload, at);
  }

  std::optional<EncodableValue> ReadHex(const std::string& tag, const json& payload,
                                        const Path& at) {
    if (!payload.is_string()) return Fail(tag + " needs a string of hex digits", at);
    std::string hex_error;
    std::optional<std::vector<uint8_t>> bytes =
        ParseHex(payload.get_ref<const std::string&>(), &hex_error);
    if (!bytes) return Fail(tag + ": " + hex_error, at);
    if (tag == kUint8) return EncodableValue(std::move(*bytes));
    return EncodableValue(std::string(bytes->begin(), bytes->end()));
  }

  template <typename Array>
  std::optional<EncodableValue> ReadIntegers(const json& payload, const Path& at) {
    using Element = typename Array::value_type;
    const char* const what = sizeof(Element) == 4 ? "$int32s needs an array of 32-bit integers"
                                                  : "$int64s needs an array of 64-bit integers";
    if (!payload.is_array()) return Fail(what, at);
    Array array;
    for (size_t i = 0; i < payload.size(); ++i) {
      const std::optional<int64_t> integer = Int64Of(payload[i]);
      if (!integer || (sizeof(Element) == 4 && !FitsInt32(*integer))) {
        return Fail(what, at.Element(i));
      }
      array.push_back(static_cast<Element>(*integer));
    }
    return EncodableValue(std::move(array));
  }

  template <typename Array>
  std::optional<EncodableValue> ReadFloats(const json& payload, const Path& at) {
    using Element = typename Array::value_type;
    const char* const what = sizeof(Element) == 4 ? "$float32s needs an array of numbers"
                                                  : "$float64s needs an array of numbers";
    if (!payload.is_array()) return Fail(what, at);
    Array array;
    for (size_t i = 0; i < payload.size(); ++i) {
      const std::optional<double> number = FloatElementOf(payload[i]);
      if (!number) return Fail(what, at.Element(i));
      if constexpr (std::is_same_v<Element, float>) {
        const std::optional<float> narrowed = NarrowToFloat(*number);
        if (!narrowed) return Fail("number beyond the range of a float", at.Element(i));
        array.push_back(*narrowed);
      } else {
        array.push_back(*number);
      }
    }
    return EncodableValue(std::move(array));
  }

  std::optional<EncodableValue> ReadMapEntries(const json& payload, const Path& at) {
    const Nesting nesting(&depth_);
    if (nesting.too_deep()) return FailTooDeep(at);
    const char* const what = "$map needs an array of [key, value] pairs";
    if (!payload.is_array()) return Fail(what, at);
    flutter::ValueMap map;
    for (size_t i = 0; i < payload.size(); ++i) {
      const json& pair = payload[i];
      const Path pair_path = at.Element(i);
      if (!pair.is_array() || pair.size() != 2) return Fail(what, pair_path);
      std::optional<EncodableValue> key = Read(pair[0], pair_path.Element(0));
      if (!key) return std::nullopt;
      std::optional<EncodableValue> mapped = Read(pair[1], pair_path.Element(1));
      if (!mapped) return std::nullopt;
      if (!map.emplace(std::move(*key), std::move(*mapped)).second) {
        return Fail("a key given twice", pair_path.Element(0));
      }
    }
    return EncodableValue(std::move(map));
  }
};

}  // namespace

bool IsValidUtf8(const std::string& text) {
  for (size_t pos = 0; pos < text.size();) {
    const Utf8Sequence sequence = ReadUtf8Sequence(text, pos);
    if (!sequence.well_formed) return false;
    pos += sequence.length;
  }
  return true;
}

std::optional<json> ValueToJson(const EncodableValue& value, std::string* error,
                                std::string_view where) {
  JsonWriter writer;
  std::optional<json> json = writer.Write(value, Path{nullptr, where});
  if (!json && error) *error = writer.error;
  return json;
}

std::optional<EncodableValue> ValueFromJson(const json& json, std::string* error,
                                            std::string_view where) {
  JsonReader reader;
  std::optional<EncodableValue> value = reader.Read(json, Path{nullptr, where});
  if (!value && error) *error = reader.error;
  return value;
}

}  // namespace kestro::notation
