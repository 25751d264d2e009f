#include "value_notation/value_notation.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "codec/byte_buffer_stream_writer.h"
#include "codec/standard_codec_serializer.h"
#include "text/hex.h"
#include "value_notation/json_text.h"

namespace kestro::notation {
namespace {

using flutter::EncodableValue;
using flutter::ValueList;
using flutter::ValueMap;
using text::ToHex;

const double kNaN = std::numeric_limits<double>::quiet_NaN();
const double kInfinity = std::numeric_limits<double>::infinity();

// The value's wire bytes: two values with the same bytes are the same value,
// down to the kind, the sign of zero and the order of map entries.
std::string Wire(const EncodableValue& value) {
  std::vector<uint8_t> bytes;
  flutter::ByteBufferStreamWriter writer(&bytes);
  flutter::SharedSerializer().WriteValue(value, &writer);
  return ToHex(bytes);
}

std::optional<EncodableValue> FromText(const std::string& text, std::string* error) {
  const auto json = ParseJson(text, error);
  if (!json) return std::nullopt;
  return ValueFromJson(*json, error);
}

// Text that is not valid notation, and what the error says.
struct RefusedCase {
  std::string text;
  std::string error;
};

void ExpectRefused(const std::vector<RefusedCase>& cases) {
  for (const RefusedCase& c : cases) {
    SCOPED_TRACE(c.text.substr(0, 60));
    std::string error;
    EXPECT_FALSE(FromText(c.text, &error).has_value());
    EXPECT_EQ(error, c.error);
  }
}

// Each value is written as exactly this text, which reads back to it.
TEST(ValueNotationTest, WritesEachKindAndReadsItBack) {
  struct Case {
    EncodableValue value;
    const char* text;
  };
  const Case cases[] = {
      {EncodableValue(), "null"},
      {EncodableValue(true), "true"},
      {EncodableValue(false), "false"},
      {EncodableValue(25), "25"},
      {EncodableValue(-2), "-2"},
      {EncodableValue(int64_t{5}), R"({"$int64":5})"},
      {EncodableValue(int64_t{-4294967297}), R"({"$int64":-4294967297})"},
      {EncodableValue(1.5), "1.5"},
      {EncodableValue(30.0), "30.0"},
      {EncodableValue(1e300), "1e+300"},
      {EncodableValue(-0.0), "-0.0"},
      {EncodableValue(0.1), "0.1"},
      {EncodableValue(kNaN), R"({"$double":"NaN"})"},
      {EncodableValue(kInfinity), R"({"$double":"Infinity"})"},
      {EncodableValue(-kInfinity), R"({"$double":"-Infinity"})"},
      {EncodableValue("pin"), R"("pin")"},
      {EncodableValue(std::string("a\0b", 3)), R"("a\u0000b")"},
      {EncodableValue("\xC3\xA9"), "\"\xC3\xA9\""},
      {EncodableValue("\xC3\x28"), R"({"$stringHex":"c328"})"},
      {EncodableValue("\xED\xA0\x80"), R"({"$stringHex":"eda080"})"},  // a surrogate
      {EncodableValue("\xC0\xAF"), R"({"$stringHex":"c0af"})"},        // overlong
      {EncodableValue(flutter::ByteArray{0x1B, 0x70, 0x00}), R"({"$uint8":"1b7000"})"},
      {EncodableValue(flutter::Int32Array{7, 8}), R"({"$int32s":[7,8]})"},
      {EncodableValue(flutter::Int64Array{1, -1}), R"({"$int64s":[1,-1]})"},
      {EncodableValue(flutter::Float64Array{1.0, kNaN}),
       R"({"$float64s":[1.0,{"$double":"NaN"}]})"},
      {EncodableValue(flutter::Float32Array{0.5f, 0.1f, -std::numeric_limits<float>::infinity()}),
       R"({"$float32s":[0.5,0.1,{"$double":"-Infinity"}]})"},
      {EncodableValue(ValueList{EncodableValue(1), EncodableValue(1.5)}), "[1,1.5]"},
      {EncodableValue(ValueList{}), "[]"},
      {EncodableValue(ValueMap{}), "{}"},
      {EncodableValue(ValueMap{{"protocol", "starPrnt"}, {"pin", int64_t{4294967297}}}),
       R"({"pin":{"$int64":4294967297},"protocol":"starPrnt"})"},
      {EncodableValue(ValueMap{{EncodableValue(1), "a"}, {EncodableValue(int64_t{1}), "b"}}),
       R"({"$map":[[1,"a"],[{"$int64":1},"b"]]})"},
      {EncodableValue(ValueMap{{"$int64", 5}}), R"({"$map":[["$int64",5]]})"},
      {EncodableValue(ValueMap{{"ok", 1}, {"\xFF", 2}}),
       R"({"$map":[["ok",1],[{"$stringHex":"ff"},2]]})"},
      {EncodableValue(ValueMap{{"outer", ValueMap{{EncodableValue(true), ValueList{}}}}}),
       R"({"outer":{"$map":[[true,[]]]}})"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    std::string error;
    const auto json = ValueToJson(c.value, &error);
    ASSERT_TRUE(json.has_value()) << error;
    EXPECT_EQ(DumpJson(*json), c.text);
    const auto back = FromText(c.text, &error);
    ASSERT_TRUE(back.has_value()) << error;
    EXPECT_EQ(Wire(*back), Wire(c.value));
  }
}

// Random bit patterns: every finite float and double is written in a form
// that reads back to exactly its bits.
TEST(ValueNotationTest, FloatsAndDoublesReadBackToTheirBits) {
  std::mt19937_64 random(7);
  flutter::Float32Array floats;
  flutter::Float64Array doubles;
  while (doubles.size() < 20000) {
    const uint64_t bits = random();
    double number;
    std::memcpy(&number, &bits, sizeof(number));
    if (std::isfinite(number)) doubles.push_back(number);
    const uint32_t low_bits = static_cast<uint32_t>(bits);
    float small;
    std::memcpy(&small, &low_bits, sizeof(small));
    if (std::isfinite(small)) floats.push_back(small);
  }
  const EncodableValue value(ValueList{EncodableValue(floats), EncodableValue(doubles)});
  std::string error;
  const auto json = ValueToJson(value, &error);
  ASSERT_TRUE(json.has_value()) << error;
  const auto back = FromText(DumpJson(*json), &error);
  ASSERT_TRUE(back.has_value()) << error;
  EXPECT_EQ(Wire(*back), Wire(value));
}

// Whether `read` is `written` bit for bit; any NaN stands for every NaN, as
// the notation has one name for them all.
template <typename Number>
bool SameNumber(Number written, Number read) {
  if (std::isnan(written)) return std::isnan(read);
  return std::memcmp(&written, &read, sizeof(written)) == 0;
}

template <typename Number, typename Bits>
Number FromBits(Bits bits) {
  static_assert(sizeof(Number) == sizeof(Bits));
  Number number;
  std::memcpy(&number, &bits, sizeof(number));
  return number;
}

// Bit patterns at both ends of every exponent, of both signs: zeros,
// subnormals, the largest finite numbers, infinities and NaNs among them.
template <typename Number, typename Bits>
std::vector<Number> EdgesOfEveryExponent() {
  constexpr int kMantissaBits = std::numeric_limits<Number>::digits - 1;
  constexpr int kSignBit = sizeof(Bits) * 8 - 1;
  constexpr Bits kMantissa = (Bits{1} << kMantissaBits) - 1;
  const Bits mantissas[] = {0, 1, 2, kMantissa / 2, kMantissa / 2 + 1, kMantissa - 1, kMantissa};
  std::vector<Number> numbers;
  for (const Bits sign : {Bits{0}, Bits{1} << kSignBit}) {
    for (Bits exponent = 0; exponent < (Bits{1} << (kSignBit - kMantissaBits)); ++exponent) {
      for (const Bits mantissa : mantissas) {
        numbers.push_back(FromBits<Number>(Bits{sign | exponent << kMantissaBits | mantissa}));
      }
    }
  }
  return numbers;
}

template <typename Number>
void ExpectSameNumbers(const std::vector<Number>& written, const std::vector<Number>& read) {
  ASSERT_EQ(read.size(), written.size());
  for (size_t i = 0; i < written.size(); ++i) {
    EXPECT_TRUE(SameNumber(written[i], read[i]))
        << "element " << i << " written " << written[i] << ", read " << read[i];
  }
}

// Every float and double at the edges of its range, in a typed array and
// (doubles) as single values, reads back as the same number.
TEST(ValueNotationTest, EdgeFloatsAndDoublesReadBackToTheSameNumber) {
  using Float = std::numeric_limits<float>;
  using Double = std::numeric_limits<double>;
  // The one float whose shortest decimal, 7.038531e-26, becomes another
  // float when read as a double first and then rounded to a float.
  const float double_rounded = FromBits<float>(uint32_t{0x15ae43fd});
  flutter::Float32Array floats = {double_rounded,
                                  -double_rounded,
                                  Float::max(),
                                  Float::lowest(),
                                  Float::denorm_min(),
                                  -Float::denorm_min(),
                                  Float::min(),
                                  -0.0f,
                                  0.1f,
                                  16777217.0f,
                                  Float::infinity(),
                                  Float::quiet_NaN()};
  flutter::Float64Array doubles = {Double::max(),
                                   Double::lowest(),
                                   Double::denorm_min(),
                                   -Double::denorm_min(),
                                   Double::min(),
                                   -0.0,
                                   0.1,
                                   Float::max(),
                                   Double::infinity(),
                                   Double::quiet_NaN()};
  const std::vector<float> float_edges = EdgesOfEveryExponent<float, uint32_t>();
  const std::vector<double> double_edges = EdgesOfEveryExponent<double, uint64_t>();
  floats.insert(floats.end(), float_edges.begin(), float_edges.end());
  doubles.insert(doubles.end(), double_edges.begin(), double_edges.end());
  ValueList singles(doubles.begin(), doubles.end());
  const EncodableValue value(
      ValueList{EncodableValue(floats), EncodableValue(doubles), EncodableValue(singles)});

  std::string error;
  const auto json = ValueToJson(value, &error);
  ASSERT_TRUE(json.has_value()) << error;
  const auto back = FromText(DumpJson(*json), &error);
  ASSERT_TRUE(back.has_value()) << error;
  const ValueList& parts = back->Get<ValueList>();
  ExpectSameNumbers(floats, parts[0].Get<flutter::Float32Array>());
  ExpectSameNumbers(doubles, parts[1].Get<flutter::Float64Array>());
  std::vector<double> read_singles;
  for (const EncodableValue& single : parts[2].Get<ValueList>()) {
    read_singles.push_back(single.Get<double>());
  }
  ExpectSameNumbers(doubles, read_singles);
}

// A number that no 64-bit integer or double holds is an error wherever it
// stands, never a double that is near it.
TEST(ValueNotationTest, RefusesNumbersBeyondRangeInEveryForm) {
  const std::string huge = "1" + std::string(400, '0');
  ExpectRefused({
      {"99999999999999999999", "integer 99999999999999999999 beyond the 64-bit range, at $"},
      {"[1,-9223372036854775809]", "integer -9223372036854775809 beyond the 64-bit range, at $[1]"},
      {"18446744073709551615", "integer 18446744073709551615 beyond the 64-bit range, at $"},
      {"[" + huge + "]", "integer " + huge + " beyond the 64-bit range, at $[0]"},
      {R"({"pin":{"$int64":18446744073709551616}})",
       "integer 18446744073709551616 beyond the 64-bit range, at $.pin.$int64"},
      {R"({"$int64s":[1,18446744073709551616]})",
       "integer 18446744073709551616 beyond the 64-bit range, at $.$int64s[1]"},
      {R"({"$float64s":[99999999999999999999]})",
       "integer 99999999999999999999 beyond the 64-bit range, at $.$float64s[0]"},
      {R"({"$map":[[1,2],[99999999999999999999,3]]})",
       "integer 99999999999999999999 beyond the 64-bit range, at $.$map[1][0]"},
      {R"({"$map":[[{"k":[0,-99999999999999999999]},3]]})",
       "integer -99999999999999999999 beyond the 64-bit range, at $.$map[0][0].k[1]"},
      {R"({"a":[[],{"b":1e400}]})", "number 1e400 beyond the range of a double, at $.a[1].b"},
      {R"({"$double":-1E999})", "number -1E999 beyond the range of a double, at $.$double"},
  });
}

// A map holds one entry per key; a second mention of a key is an error
// rather than a silent choice of one of the two values.
TEST(ValueNotationTest, RefusesAKeyGivenTwiceInEveryForm) {
  ExpectRefused({
      {R"({"a":1,"a":2})", "a key given twice, at $.a"},
      {R"({"a":1,"b":2,"a":1})", "a key given twice, at $.a"},
      {R"([0,{"x":{"b":[],"b":[]}}])", "a key given twice, at $[1].x.b"},
      {R"({"$int64":1,"$int64":2})", "a key given twice, at $.$int64"},
      {R"({"$map":[["a",1],["a",2]]})", "a key given twice, at $.$map[1][0]"},
      {R"({"$map":[["a",1],[{"$stringHex":"61"},2]]})", "a key given twice, at $.$map[1][0]"},
      {R"({"$map":[[0.0,1],[-0.0,2]]})", "a key given twice, at $.$map[1][0]"},
      {R"({"$map":[[{"$int64":7},1],[{"$int64":7},2]]})", "a key given twice, at $.$map[1][0]"},
      {R"({"$map":[[{"k":1,"k":2},1]]})", "a key given twice, at $.$map[0][0].k"},
      {R"({"method":"openDrawer","method":"listPrinters"})", "a key given twice, at $.method"},
  });
}

// Forms that input accepts beside the ones output writes.
TEST(ValueNotationTest, AcceptsTheLooserInputForms) {
  struct Case {
    const char* text;
    EncodableValue value;
  };
  const Case cases[] = {
      {"2147483647", EncodableValue(2147483647)},
      {"2147483648", EncodableValue(int64_t{2147483648})},
      {"-2147483649", EncodableValue(int64_t{-2147483649})},
      {"9223372036854775807", EncodableValue(int64_t{9223372036854775807})},
      {"1E2", EncodableValue(100.0)},
      {R"({"$double":30})", EncodableValue(30.0)},
      {R"({"$int64":-1})", EncodableValue(int64_t{-1})},
      {R"({"$uint8":"1B 70"})", EncodableValue(flutter::ByteArray{0x1B, 0x70})},
      {R"({"$stringHex":"70 69 6E"})", EncodableValue("pin")},
      {R"({"$float64s":[1,{"$double":2}]})", EncodableValue(flutter::Float64Array{1.0, 2.0})},
      {R"({"$float32s":[1]})", EncodableValue(flutter::Float32Array{1.0f})},
      // Up to half a unit in the last place beyond FLT_MAX rounds to FLT_MAX.
      {R"({"$float32s":[-3.4028235677973362e+38]})",
       EncodableValue(flutter::Float32Array{-std::numeric_limits<float>::max()})},
      {R"({"$map":[["a",1]]})", EncodableValue(ValueMap{{"a", 1}})},
      {R"({"$foo":1})", EncodableValue(ValueMap{{"$foo", 1}})},
      {R"({"$int64":1,"x":2})", EncodableValue(ValueMap{{"$int64", 1}, {"x", 2}})},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    std::string error;
    const auto value = FromText(c.text, &error);
    ASSERT_TRUE(value.has_value()) << error;
    EXPECT_EQ(Wire(*value), Wire(c.value));
  }
}

TEST(ValueNotationTest, SaysWhatIsWrongAndWhere) {
  ExpectRefused({
      {R"({"$int64":1.5})", "$int64 needs an integer within the 64-bit range, at $.$int64"},
      {R"({"$int64":9223372036854775808})",
       "$int64 needs an integer within the 64-bit range, at $.$int64"},
      {"[0, 9223372036854775808]", "integer 9223372036854775808 beyond the 64-bit range, at $[1]"},
      {R"({"a":[1,{"$uint8":"zz"}]})",
       "$uint8: hex: not a hex digit at offset 0, at $.a[1].$uint8"},
      {R"({"$stringHex":7})", "$stringHex needs a string of hex digits, at $.$stringHex"},
      {R"({"$int32s":[1,2147483648]})",
       "$int32s needs an array of 32-bit integers, at $.$int32s[1]"},
      {R"({"$int64s":1})", "$int64s needs an array of 64-bit integers, at $.$int64s"},
      {R"({"$float64s":["x"]})", "$float64s needs an array of numbers, at $.$float64s[0]"},
      {R"({"$float32s":[1e300]})", "number beyond the range of a float, at $.$float32s[0]"},
      // Half a unit beyond FLT_MAX rounds to the infinity.
      {R"({"$float32s":[0,3.4028235677973366e+38]})",
       "number beyond the range of a float, at $.$float32s[1]"},
      {R"({"$double":"nan"})",
       R"($double needs a number, "NaN", "Infinity" or "-Infinity", at $.$double)"},
      {R"({"$map":[[1]]})", "$map needs an array of [key, value] pairs, at $.$map[0]"},
      {R"({"$map":[[1,"a"],[1,"b"]]})", "a key given twice, at $.$map[1][0]"},
      {R"({"$map":[[{"$int64":"x"},1]]})",
       "$int64 needs an integer within the 64-bit range, at $.$map[0][0].$int64"},
  });
}

TEST(ValueNotationTest, RefusesNestingDeeperThanTheCodecReads) {
  std::string error;
  const std::string deep = std::string(513, '[') + std::string(513, ']');
  EXPECT_FALSE(FromText(deep, &error).has_value());
  EXPECT_EQ(error.rfind("nested deeper than 512 levels, at $[0][0]", 0), 0u) << error;
  const std::string limit = std::string(512, '[') + std::string(512, ']');
  EXPECT_TRUE(FromText(limit, &error).has_value()) << error;
}

TEST(ValueNotationTest, CustomValuesCannotBeWritten) {
  const EncodableValue value(ValueList{EncodableValue(1), EncodableValue(flutter::CustomValue(3))});
  std::string error;
  EXPECT_FALSE(ValueToJson(value, &error, "$.arguments").has_value());
  EXPECT_EQ(error, "a custom value cannot be written in the notation, at $.arguments[1]");
}

TEST(ValueNotationTest, ValidatesUtf8Strictly) {
  struct Case {
    const char* text;
    bool valid;
  } const cases[] = {
      {"", true},
      {"ascii", true},
      {"\xC3\xA9", true},
      {"\xE2\x82\xAC", true},
      {"\xF0\x9F\x98\x80", true},
      {"\xF4\x8F\xBF\xBF", true},
      {"\xC3", false},
      {"\x80", false},
      {"\xC1\xBF", false},
      {"\xE0\x9F\xBF", false},
      {"\xED\xBF\xBF", false},
      {"\xF4\x90\x80\x80", false},
      {"\xF0\x9F\x98", false},
      {"\xE2\x28\xA1", false},
      {"\xF8\x88\x80\x80\x80", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(ToHex(reinterpret_cast<const uint8_t*>(c.text), std::string(c.text).size()));
    EXPECT_EQ(IsValidUtf8(c.text), c.valid);
  }
}

}  // namespace
}  // namespace kestro::notation
