#include "bench/msgpack_peer.h"

#include <cstdint>
#include <limits>
#include <string>
#include <utility>

namespace kestro::bench {
namespace {

using flutter::EncodableValue;
using flutter::ValueKind;
using Packer = msgpack::packer<msgpack::sbuffer>;

template <typename Array>
void PackNumbers(const Array& numbers, Packer* packer) {
  packer->pack_array(static_cast<uint32_t>(numbers.size()));
  for (const auto& number : numbers) packer->pack(number);
}

void PackString(const std::string& text, Packer* packer) {
  packer->pack_str(static_cast<uint32_t>(text.size()));
  packer->pack_str_body(text.data(), static_cast<uint32_t>(text.size()));
}

EncodableValue IntegerToTree(int64_t number) {
  if (number >= std::numeric_limits<int32_t>::min() &&
      number <= std::numeric_limits<int32_t>::max()) {
    return EncodableValue(static_cast<int32_t>(number));
  }
  return EncodableValue(number);
}

EncodableValue ArrayToTree(const msgpack::object_array& array) {
  flutter::ValueList list;
  list.reserve(array.size);
  for (uint32_t i = 0; i < array.size; ++i) list.push_back(MsgpackToTree(array.ptr[i]));
  return EncodableValue(std::move(list));
}

EncodableValue MapToTree(const msgpack::object_map& entries) {
  flutter::ValueMap map;
  for (uint32_t i = 0; i < entries.size; ++i) {
    map.emplace(MsgpackToTree(entries.ptr[i].key), MsgpackToTree(entries.ptr[i].val));
  }
  return EncodableValue(std::move(map));
}

}  // namespace

msgpack::sbuffer MsgpackPack(const EncodableValue& value) {
  msgpack::sbuffer buffer;
  Packer packer(buffer);
  MsgpackPackValue(value, &packer);
  return buffer;
}

void MsgpackPackValue(const EncodableValue& value, Packer* packer) {
  switch (value.kind()) {
    case ValueKind::kNull:
    case ValueKind::kCustom:
      packer->pack_nil();
      return;
    case ValueKind::kBool:
      packer->pack(value.Get<bool>());
      return;
    case ValueKind::kInt32:
      packer->pack_int32(value.Get<int32_t>());
      return;
    case ValueKind::kInt64:
      packer->pack_int64(value.Get<int64_t>());
      return;
    case ValueKind::kDouble:
      packer->pack_double(value.Get<double>());
      return;
    case ValueKind::kString:
      PackString(value.Get<std::string>(), packer);
      return;
    case ValueKind::kByteArray: {
      const flutter::ByteArray& bytes = value.Get<flutter::ByteArray>();
      packer->pack_bin(static_cast<uint32_t>(bytes.size()));
      packer->pack_bin_body(reinterpret_cast<const char*>(bytes.data()),
                            static_cast<uint32_t>(bytes.size()));
      return;
    }
    case ValueKind::kInt32Array:
      PackNumbers(value.Get<flutter::Int32Array>(), packer);
      return;
    case ValueKind::kInt64Array:
      PackNumbers(value.Get<flutter::Int64Array>(), packer);
      return;
    case ValueKind::kFloat64Array:
      PackNumbers(value.Get<flutter::Float64Array>(), packer);
      return;
    case ValueKind::kFloat32Array:
      PackNumbers(value.Get<flutter::Float32Array>(), packer);
      return;
    case ValueKind::kList: {
      const flutter::ValueList& list = value.Get<flutter::ValueList>();
      packer->pack_array(static_cast<uint32_t>(list.size()));
      for (const EncodableValue& element : list) MsgpackPackValue(element, packer);
      return;
    }
    case ValueKind::kMap: {
      const flutter::ValueMap& map = value.Get<flutter::ValueMap>();
      packer->pack_map(static_cast<uint32_t>(map.size()));
      for (const auto& [key, mapped] : map) {
        MsgpackPackValue(key, packer);
        MsgpackPackValue(mapped, packer);
      }
      return;
    }
  }
}

EncodableValue MsgpackToTree(const msgpack::object& object) {
  switch (object.type) {
    case msgpack::type::BOOLEAN:
      return EncodableValue(object.via.boolean);
    case msgpack::type::POSITIVE_INTEGER:
      if (object.via.u64 > static_cast<uint64_t>(std::numeric_limits<int64_t>::max())) {
        return EncodableValue(static_cast<int64_t>(object.via.u64));
      }
      return IntegerToTree(static_cast<int64_t>(object.via.u64));
    case msgpack::type::NEGATIVE_INTEGER:
      return IntegerToTree(object.via.i64);
    case msgpack::type::FLOAT32:
    case msgpack::type::FLOAT64:
      return EncodableValue(object.via.f64);
    case msgpack::type::STR:
      return EncodableValue(std::string(object.via.str.ptr, object.via.str.size));
    case msgpack::type::BIN:
      return EncodableValue(
          flutter::ByteArray(object.via.bin.ptr, object.via.bin.ptr + object.via.bin.size));
    case msgpack::type::ARRAY:
      return ArrayToTree(object.via.array);
    case msgpack::type::MAP:
      return MapToTree(object.via.map);
    default:
      return EncodableValue();
  }
}

}  // namespace kestro::bench
