#include "bench/workloads.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <set>
#include <string>

#include "codec/testing/value_printer.h"

namespace kestro::bench {
namespace {

using kestro_testing::SameValue;

using flutter::EncodableValue;
using flutter::ValueKind;
using flutter::ValueList;
using flutter::ValueMap;

struct TreeShape {
  int values = 0;  // map keys not counted
  int keys = 0;
  int depth = 0;
  std::set<ValueKind> kinds;
  size_t longest_string = 0;
};

// Counts the values and the map keys, and measures the deepest branch.
void Measure(const EncodableValue& value, int depth, TreeShape* shape) {
  ++shape->values;
  shape->depth = std::max(shape->depth, depth);
  shape->kinds.insert(value.kind());
  if (const std::string* text = value.GetIf<std::string>()) {
    shape->longest_string = std::max(shape->longest_string, text->size());
  } else if (const ValueList* list = value.GetIf<ValueList>()) {
    for (const EncodableValue& element : *list) Measure(element, depth + 1, shape);
  } else if (const ValueMap* map = value.GetIf<ValueMap>()) {
    for (const auto& [key, mapped] : *map) {
      ++shape->keys;
      Measure(mapped, depth + 1, shape);
    }
  }
}

const Workload& Compared(const std::string& name) {
  for (const Workload& workload : ComparedWorkloads()) {
    if (workload.name == name) return workload;
  }
  ADD_FAILURE() << "no workload " << name;
  static const Workload none;
  return none;
}

TEST(Workloads, ComparedInReportOrder) {
  std::vector<std::string> names;
  for (const Workload& workload : ComparedWorkloads()) names.push_back(workload.name);
  EXPECT_EQ(names,
            (std::vector<std::string>{"small_call", "printer_list", "float64_1mib", "tree_10k"}));
}

TEST(Workloads, SmallCallIsTheDrawerCallOfATill) {
  const Workload& call = Compared("small_call");
  ASSERT_TRUE(call.method.has_value());
  EXPECT_EQ(*call.method, "openDrawer");
  EXPECT_TRUE(SameValue(call.value, EncodableValue(ValueMap{
                                        {"printerName", "Receipt Printer"},
                                        {"modelHint", "TM-T20"},
                                        {"pin", int32_t{1}},
                                        {"pulseOn", int32_t{25}},
                                        {"pulseOff", int32_t{250}},
                                        {"protocol", "escPosAscii"},
                                    })));
}

TEST(Workloads, PrinterListHoldsNumberedPrinterMaps) {
  const Workload& list = Compared("printer_list");
  EXPECT_FALSE(list.method.has_value());
  const ValueList& printers = list.value.Get<ValueList>();
  ASSERT_EQ(printers.size(), 50u);
  EXPECT_TRUE(SameValue(printers[0], EncodableValue(ValueMap{
                                         {"name", "Printer 01 with a fairly long name"},
                                         {"driverName", "Generic / Text Only"},
                                         {"portName", "USB001"},
                                         {"isDefault", false},
                                     })));
  EXPECT_EQ(printers[49].Get<ValueMap>().at(EncodableValue("name")).Get<std::string>(),
            "Printer 50 with a fairly long name");
}

TEST(Workloads, Float64IsOneMebibyteThatFloatsCannotHold) {
  const flutter::Float64Array& values = Compared("float64_1mib").value.Get<flutter::Float64Array>();
  EXPECT_EQ(values.size() * sizeof(double), 1u << 20);
  // MessagePack writers may shorten doubles that a float holds exactly;
  // these must travel at full width in every library.
  EXPECT_TRUE(std::none_of(values.begin(), values.end(), [](double value) {
    return static_cast<double>(static_cast<float>(value)) == value;
  }));
  EXPECT_EQ(std::set<double>(values.begin(), values.end()).size(), values.size());
}

TEST(Workloads, TreeHasAboutTenThousandMixedValuesSixDeep) {
  TreeShape shape;
  Measure(Compared("tree_10k").value, 1, &shape);
  EXPECT_GE(shape.values, 9000);
  EXPECT_LE(shape.values, 11000);
  EXPECT_GT(shape.keys, 0);
  EXPECT_EQ(shape.depth, 6);
  EXPECT_EQ(shape.kinds,
            (std::set<ValueKind>{ValueKind::kInt32, ValueKind::kDouble, ValueKind::kString,
                                 ValueKind::kList, ValueKind::kMap}));
  EXPECT_LE(shape.longest_string, 15u) << "short strings stay within the small-string buffer";
}

TEST(Workloads, TreeOfOneLevelIsALeafAndFanOutCounts) {
  EXPECT_EQ(Tree(1, 6).kind(), ValueKind::kInt32);
  TreeShape shape;
  Measure(Tree(3, 2), 1, &shape);
  // Root, two children, four leaves; the root and one child are maps.
  EXPECT_EQ(shape.depth, 3);
  EXPECT_EQ(shape.values, 7);
  EXPECT_EQ(shape.keys, 4);
}

TEST(Workloads, GrowthSeriesSizes) {
  std::vector<std::string> names;
  for (const Workload& workload : GrowthWorkloads()) {
    names.push_back(workload.name);
    if (workload.name.rfind("printer_list_", 0) == 0) {
      EXPECT_EQ(std::to_string(workload.value.Get<ValueList>().size()), workload.name.substr(13));
    } else {
      EXPECT_EQ(std::to_string(workload.value.Get<flutter::ByteArray>().size()),
                workload.name.substr(6));
    }
  }
  EXPECT_EQ(names, (std::vector<std::string>{"printer_list_1", "printer_list_10", "printer_list_30",
                                             "printer_list_100", "printer_list_300",
                                             "printer_list_1000", "bytes_1024", "bytes_4096",
                                             "bytes_16384", "bytes_65536", "bytes_262144",
                                             "bytes_1048576", "bytes_4194304", "bytes_16777216"}));
}

TEST(Workloads, BytesCountUpAndWrap) {
  const flutter::ByteArray bytes = Bytes(258).Get<flutter::ByteArray>();
  EXPECT_EQ(bytes[0], 0);
  EXPECT_EQ(bytes[255], 255);
  EXPECT_EQ(bytes[256], 0);
  EXPECT_EQ(bytes[257], 1);
}

TEST(Workloads, PeersHoldACallAsNameAndArguments) {
  const Workload& call = Compared("small_call");
  EXPECT_TRUE(SameValue(PeerValue(call), EncodableValue(ValueList{"openDrawer", call.value})));
  const Workload& list = Compared("printer_list");
  EXPECT_TRUE(SameValue(PeerValue(list), list.value));

  const auto method_call = AsMethodCall(call);
  EXPECT_EQ(method_call->method_name(), "openDrawer");
  ASSERT_NE(method_call->arguments(), nullptr);
  EXPECT_TRUE(SameValue(*method_call->arguments(), call.value));
}

TEST(Workloads, WithoutTypedArraysListsTheNumbersEverywhere) {
  struct Case {
    const char* label;
    EncodableValue value;
    EncodableValue expected;
  };
  const Case cases[] = {
      {"float64", EncodableValue(flutter::Float64Array{1.5, -2.0}),
       EncodableValue(ValueList{1.5, -2.0})},
      {"float32 widens", EncodableValue(flutter::Float32Array{0.5f}),
       EncodableValue(ValueList{0.5})},
      {"int32", EncodableValue(flutter::Int32Array{7}), EncodableValue(ValueList{int32_t{7}})},
      {"int64", EncodableValue(flutter::Int64Array{7}), EncodableValue(ValueList{int64_t{7}})},
      {"bytes stay", EncodableValue(flutter::ByteArray{1, 2}),
       EncodableValue(flutter::ByteArray{1, 2})},
      {"inside a map inside a list",
       EncodableValue(ValueList{ValueMap{{"a", flutter::Float64Array{3.0}}}}),
       EncodableValue(ValueList{ValueMap{{"a", ValueList{3.0}}}})},
      {"scalars stay", EncodableValue("text"), EncodableValue("text")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    EXPECT_TRUE(SameValue(WithoutTypedArrays(c.value), c.expected));
  }
}

}  // namespace
}  // namespace kestro::bench
