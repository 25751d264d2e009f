#include "codec/testing/value_printer.h"

#include <limits>
#include <sstream>

namespace kestro_testing {
namespace {

template <typename Array>
void DescribeArray(const char* kind, const Array& array, std::ostringstream* out) {
  *out << kind << "[";
  for (size_t i = 0; i < array.size(); ++i) *out << (i ? ", " : "") << +array[i];
  *out << "]";
}

void DescribeTo(const flutter::EncodableValue& value, std::ostringstream* out) {
  using flutter::ValueKind;
  switch (value.kind()) {
    case ValueKind::kNull:
      *out << "null";
      break;
    case ValueKind::kBool:
      *out << (value.Get<bool>() ? "true" : "false");
      break;
    case ValueKind::kInt32:
      *out << value.Get<int32_t>();
      break;
    case ValueKind::kInt64:
      *out << value.Get<int64_t>() << "L";
      break;
    case ValueKind::kDouble:
      *out << value.Get<double>() << "d";
      break;
    case ValueKind::kString:
      *out << '"' << value.Get<std::string>() << '"';
      break;
    case ValueKind::kByteArray:
      DescribeArray("u8", value.Get<flutter::ByteArray>(), out);
      break;
    case ValueKind::kInt32Array:
      DescribeArray("i32", value.Get<flutter::Int32Array>(), out);
      break;
    case ValueKind::kInt64Array:
      DescribeArray("i64", value.Get<flutter::Int64Array>(), out);
      break;
    case ValueKind::kFloat64Array:
      DescribeArray("f64", value.Get<flutter::Float64Array>(), out);
      break;
    case ValueKind::kFloat32Array:
      DescribeArray("f32", value.Get<flutter::Float32Array>(), out);
      break;
    case ValueKind::kList: {
      *out << "[";
      const char* separator = "";
      for (const auto& element : value.Get<flutter::ValueList>()) {
        *out << separator;
        DescribeTo(element, out);
        separator = ", ";
      }
      *out << "]";
      break;
    }
    case ValueKind::kMap: {
      *out << "{";
      const char* separator = "";
      for (const auto& [key, element] : value.Get<flutter::ValueMap>()) {
        *out << separator;
        DescribeTo(key, out);
        *out << ": ";
        DescribeTo(element, out);
        separator = ", ";
      }
      *out << "}";
      break;
    }
    case ValueKind::kCustom:
      *out << "custom";
      break;
  }
}

}  // namespace

std::string Describe(const flutter::EncodableValue& value) {
  std::ostringstream out;
  // Enough digits that no two doubles read alike.
  out.precision(std::numeric_limits<double>::max_digits10);
  DescribeTo(value, &out);
  return out.str();
}

::testing::AssertionResult SameValue(const flutter::EncodableValue& actual,
                                     const flutter::EncodableValue& expected) {
  if (flutter::AreEquivalent(actual, expected)) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure()
         << "got " << Describe(actual) << "\n  expected " << Describe(expected);
}

}  // namespace kestro_testing

namespace flutter {

void PrintTo(const EncodableValue& value, std::ostream* out) {
  *out << kestro_testing::Describe(value);
}

}  // namespace flutter
