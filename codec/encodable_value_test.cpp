#include "codec/encodable_value.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

namespace flutter {
namespace {

// Pairs (a, b) in which a is less than b and b is not less than a.
TEST(EncodableValueTest, OrdersByKindThenContent) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  struct Case {
    const char* what;
    EncodableValue less;
    EncodableValue greater;
  };
  const Case cases[] = {
      {"null before false", EncodableValue(), EncodableValue(false)},
      {"false before true", EncodableValue(false), EncodableValue(true)},
      {"int32 7 before int64 1", EncodableValue(int32_t{7}), EncodableValue(int64_t{1})},
      {"numbers before strings", EncodableValue(1e300), EncodableValue("")},
      {"prefix string first", EncodableValue("ab"), EncodableValue("abc")},
      {"abc before b", EncodableValue("abc"), EncodableValue("b")},
      {"unsigned bytes", EncodableValue("a"), EncodableValue("\xC3")},
      {"0x7F before 0x80", EncodableValue("\x7F"), EncodableValue("\x80")},
      {"zero byte compared as a byte", EncodableValue(std::string("a\0b", 3)),
       EncodableValue(std::string("a\x01", 2))},
      {"prefix ending before a zero byte", EncodableValue("a"),
       EncodableValue(std::string("a\0", 2))},
      {"empty list first", EncodableValue(ValueList{}), EncodableValue(ValueList{EncodableValue()})},
      {"[null] before [false]", EncodableValue(ValueList{EncodableValue()}),
       EncodableValue(ValueList{EncodableValue(false)})},
      {"lists before maps", EncodableValue(ValueList{EncodableValue(9)}),
       EncodableValue(ValueMap{})},
      {"empty map first", EncodableValue(ValueMap{}), EncodableValue(ValueMap{{"a", 1}})},
      {"{a:1} before {a:2}", EncodableValue(ValueMap{{"a", 1}}), EncodableValue(ValueMap{{"a", 2}})},
      {"{a:2} before {b:0}", EncodableValue(ValueMap{{"a", 2}}), EncodableValue(ValueMap{{"b", 0}})},
      {"NaN position decides nothing", EncodableValue(Float64Array{1.0, nan, 2.0}),
       EncodableValue(Float64Array{1.0, nan, 3.0})},
      {"NaN after numbers", EncodableValue(1e308), EncodableValue(nan)},
      {"signed int32 array", EncodableValue(Int32Array{-1}), EncodableValue(Int32Array{0})},
      {"unsigned byte array", EncodableValue(ByteArray{1}), EncodableValue(ByteArray{255})},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_TRUE(c.less < c.greater);
    EXPECT_FALSE(c.greater < c.less);
  }
}

TEST(EncodableValueTest, DefaultIsNullAndEquivalentToEveryNull) {
  EncodableValue value;
  EXPECT_EQ(value.kind(), ValueKind::kNull);
  EXPECT_TRUE(AreEquivalent(value, EncodableValue(std::monostate())));
}

TEST(EncodableValueTest, TextIsAlwaysAString) {
  EXPECT_EQ(EncodableValue("x").kind(), ValueKind::kString);
  EXPECT_EQ(EncodableValue(std::string("x")).kind(), ValueKind::kString);
}

TEST(EncodableValueTest, MapKeepsTheFirstOfEquivalentKeys) {
  ValueMap map;
  map.emplace("x", 1);
  map.emplace("x", 2);
  ASSERT_EQ(map.size(), 1u);
  EXPECT_EQ(map.begin()->second.Get<int32_t>(), 1);
  EXPECT_EQ(map.find(EncodableValue(int64_t{1})), map.end());
}

// NaN keys must not corrupt a map: every NaN is one key, found again.
TEST(EncodableValueTest, NaNKeysFormOneKey) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  ValueMap map;
  map.emplace(nan, "first");
  map.emplace(1.0, "one");
  map.emplace(-nan, "second");
  map.emplace(Float64Array{nan, 1.0}, "array");
  map.emplace(Float64Array{nan, 1.0}, "array again");
  EXPECT_EQ(map.size(), 3u);
  EXPECT_EQ(map.at(nan).Get<std::string>(), "first");
  EXPECT_EQ(map.at(Float64Array{nan, 1.0}).Get<std::string>(), "array");
}

TEST(EncodableValueTest, MovedFromKeepsItsKindAndIsEmpty) {
  EncodableValue list(ValueList{EncodableValue(1)});
  EncodableValue moved(std::move(list));
  EXPECT_EQ(list.kind(), ValueKind::kList);  // NOLINT(bugprone-use-after-move)
  EXPECT_TRUE(list.Get<ValueList>().empty());
  EXPECT_EQ(moved.Get<ValueList>().size(), 1u);
}

EncodableValue Nested(int depth, EncodableValue innermost) {
  for (int i = 0; i < depth; ++i) {
    ValueList list;
    list.push_back(std::move(innermost));
    innermost = EncodableValue(std::move(list));
  }
  return innermost;
}

// Each level is compared once, so deep values compare in linear time (asking
// "less" both ways at every level would take 2^depth steps).
TEST(EncodableValueTest, DeepValuesCompareInLinearTime) {
  const EncodableValue one = Nested(300, EncodableValue(1));
  const EncodableValue same = Nested(300, EncodableValue(1));
  const EncodableValue two = Nested(300, EncodableValue(2));
  const EncodableValue map_key(ValueMap{{one, "x"}});
  EXPECT_TRUE(AreEquivalent(one, same));
  EXPECT_TRUE(one < two);
  EXPECT_FALSE(two < one);
  EXPECT_TRUE(AreEquivalent(map_key, EncodableValue(ValueMap{{same, "x"}})));
  EXPECT_TRUE(map_key < EncodableValue(ValueMap{{same, "y"}}));
}

TEST(EncodableValueTest, EquivalenceMatchesTheOrdering) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const EncodableValue values[] = {
      EncodableValue(),
      EncodableValue(false),
      EncodableValue(true),
      EncodableValue(-1),
      EncodableValue(1),
      EncodableValue(int64_t{1}),
      EncodableValue(-0.0),
      EncodableValue(0.0),
      EncodableValue(nan),
      EncodableValue(""),
      EncodableValue("a"),
      EncodableValue(ByteArray{}),
      EncodableValue(ValueList{}),
      EncodableValue(ValueMap{{"a", 1}}),
      EncodableValue(Float32Array{std::nanf("")}),
      EncodableValue(Float32Array{1.0f}),
  };
  for (const EncodableValue& a : values) {
    for (const EncodableValue& b : values) {
      EXPECT_EQ(AreEquivalent(a, b), !(a < b) && !(b < a));
      EXPECT_FALSE(a < b && b < a);
    }
  }
}

TEST(EncodableValueDeathTest, WrongKindAccessEndsTheProcess) {
  EncodableValue value(1);
  EXPECT_DEATH(value.Get<std::string>(), "accessed as kind 5");
}

}  // namespace
}  // namespace flutter
