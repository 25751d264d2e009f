#include "bench/workloads.h"

#include <cstdint>
#include <cstdio>
#include <utility>

namespace kestro::bench {
namespace {

using flutter::EncodableValue;
using flutter::ValueList;
using flutter::ValueMap;

constexpr size_t kFloat64Count = 131072;  // 1 MiB of doubles
constexpr int kPrinterListLength = 50;
constexpr int kTreeLevels = 6;
constexpr int kTreeFanOut = 6;
constexpr size_t kGrowthBytesFirst = size_t{1} << 10;
constexpr size_t kGrowthBytesLast = size_t{1} << 24;

std::string PrinterName(int number) {
  char name[64];
  std::snprintf(name, sizeof(name), "Printer %02d with a fairly long name", number);
  return name;
}

// The leaves take the three kinds in turn, numbered across the whole tree.
EncodableValue Leaf(int* next_leaf) {
  const int n = (*next_leaf)++;
  switch (n % 3) {
    case 0:
      return EncodableValue(static_cast<int32_t>(n * 37 - 5000));
    case 1:
      return EncodableValue(n * 0.25 + 0.125);
    default:
      return EncodableValue("leaf " + std::to_string(n % 100));
  }
}

EncodableValue Subtree(int levels, int fan_out, int position, int* next_leaf) {
  if (levels == 1) return Leaf(next_leaf);
  if ((levels + position) % 2 == 0) {
    ValueList list;
    list.reserve(fan_out);
    for (int i = 0; i < fan_out; ++i) list.push_back(Subtree(levels - 1, fan_out, i, next_leaf));
    return EncodableValue(std::move(list));
  }
  ValueMap map;
  for (int i = 0; i < fan_out; ++i) {
    map.emplace("k" + std::to_string(i), Subtree(levels - 1, fan_out, i, next_leaf));
  }
  return EncodableValue(std::move(map));
}

template <typename Array>
EncodableValue ArrayAsList(const Array& array) {
  ValueList list;
  list.reserve(array.size());
  for (const auto& number : array) list.emplace_back(number);
  return EncodableValue(std::move(list));
}

// Float32 elements widen to doubles, as MessagePack readers give them back.
EncodableValue Float32ArrayAsList(const flutter::Float32Array& array) {
  ValueList list;
  list.reserve(array.size());
  for (float number : array) list.emplace_back(static_cast<double>(number));
  return EncodableValue(std::move(list));
}

}  // namespace

const std::vector<Workload>& ComparedWorkloads() {
  static const auto* const workloads = new std::vector<Workload>{
      SmallCall(),
      {"printer_list", std::nullopt, PrinterList(kPrinterListLength)},
      {"float64_1mib", std::nullopt, Float64Values(kFloat64Count)},
      {"tree_10k", std::nullopt, Tree(kTreeLevels, kTreeFanOut)},
  };
  return *workloads;
}

const std::vector<Workload>& GrowthWorkloads() {
  static const auto* const workloads = [] {
    auto* series = new std::vector<Workload>;
    // Steps of about 3x between 10 and 1000, so that one noisy or
    // cache-crossing step shows as such beside its neighbours.
    for (int count : {1, 10, 30, 100, 300, 1000}) {
      series->push_back(
          {"printer_list_" + std::to_string(count), std::nullopt, PrinterList(count)});
    }
    for (size_t count = kGrowthBytesFirst; count <= kGrowthBytesLast; count *= 4) {
      series->push_back({"bytes_" + std::to_string(count), std::nullopt, Bytes(count)});
    }
    return series;
  }();
  return *workloads;
}

Workload SmallCall() {
  ValueMap arguments = {
      {"printerName", "Receipt Printer"}, {"modelHint", "TM-T20"},    {"pin", int32_t{1}},
      {"pulseOn", int32_t{25}},           {"pulseOff", int32_t{250}}, {"protocol", "escPosAscii"},
  };
  return {"small_call", "openDrawer", EncodableValue(std::move(arguments))};
}

EncodableValue PrinterList(int count) {
  ValueList printers;
  printers.reserve(count);
  for (int i = 1; i <= count; ++i) {
    printers.emplace_back(ValueMap{
        {"name", PrinterName(i)},
        {"driverName", "Generic / Text Only"},
        {"portName", "USB001"},
        {"isDefault", false},
    });
  }
  return EncodableValue(std::move(printers));
}

EncodableValue Float64Values(size_t count) {
  flutter::Float64Array values(count);
  for (size_t i = 0; i < count; ++i) values[i] = static_cast<double>(i) * 0.1 + 1.0 / 3.0;
  return EncodableValue(std::move(values));
}

EncodableValue Tree(int levels, int fan_out) {
  int next_leaf = 0;
  return Subtree(levels, fan_out, 0, &next_leaf);
}

EncodableValue Bytes(size_t count) {
  flutter::ByteArray bytes(count);
  for (size_t i = 0; i < count; ++i) bytes[i] = static_cast<uint8_t>(i);
  return EncodableValue(std::move(bytes));
}

EncodableValue PeerValue(const Workload& workload) {
  if (!workload.method) return workload.value;
  return EncodableValue(ValueList{EncodableValue(*workload.method), workload.value});
}

std::unique_ptr<flutter::MethodCall> AsMethodCall(const Workload& workload) {
  return std::make_unique<flutter::MethodCall>(*workload.method,
                                               std::make_unique<EncodableValue>(workload.value));
}

EncodableValue WithoutTypedArrays(const EncodableValue& value) {
  switch (value.kind()) {
    case flutter::ValueKind::kInt32Array:
      return ArrayAsList(value.Get<flutter::Int32Array>());
    case flutter::ValueKind::kInt64Array:
      return ArrayAsList(value.Get<flutter::Int64Array>());
    case flutter::ValueKind::kFloat64Array:
      return ArrayAsList(value.Get<flutter::Float64Array>());
    case flutter::ValueKind::kFloat32Array:
      return Float32ArrayAsList(value.Get<flutter::Float32Array>());
    case flutter::ValueKind::kList: {
      ValueList list;
      for (const EncodableValue& element : value.Get<ValueList>()) {
        list.push_back(WithoutTypedArrays(element));
      }
      return EncodableValue(std::move(list));
    }
    case flutter::ValueKind::kMap: {
      ValueMap map;
      for (const auto& [key, mapped] : value.Get<ValueMap>()) {
        map.emplace(WithoutTypedArrays(key), WithoutTypedArrays(mapped));
      }
      return EncodableValue(std::move(map));
    }
    default:
      return value;
  }
}

}  // namespace kestro::bench
