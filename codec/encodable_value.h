// The value model of the platform channels.
//
// An EncodableValue is a closed tagged union of fourteen alternatives. Every
// method-call argument, result and error detail that crosses a channel is one
// of them, and the standard codec reads and writes nothing else. Values are
// ordered by a total ordering defined on the values themselves, so any value,
// lists and maps included, can be a ValueMap key.

#ifndef KESTRO_CODEC_ENCODABLE_VALUE_H_
#define KESTRO_CODEC_ENCODABLE_VALUE_H_

#include <any>
#include <cstdint>
#include <map>
#include <string>
#include <type_traits>
#include <utility>
#include <variant>
#include <vector>

namespace flutter {

class EncodableValue;

// The alternatives, in the fixed order that is also their kind number. The
// ordering compares kinds first, so this order is behaviour: never rearrange.
enum class ValueKind : int {
  kNull = 0,
  kBool = 1,
  kInt32 = 2,
  kInt64 = 3,
  kDouble = 4,
  kString = 5,
  kByteArray = 6,
  kInt32Array = 7,
  kInt64Array = 8,
  kFloat64Array = 9,
  kList = 10,
  kMap = 11,
  kCustom = 12,
  kFloat32Array = 13,
};

using ByteArray = std::vector<uint8_t>;
using Int32Array = std::vector<int32_t>;
using Int64Array = std::vector<int64_t>;
using Float64Array = std::vector<double>;
using Float32Array = std::vector<float>;

// The strict weak ordering of values (see EncodableValue::operator<).
struct ValueLess {
  bool operator()(const EncodableValue& a, const EncodableValue& b) const;
};

using ValueList = std::vector<EncodableValue>;
// Holds at most one entry per key; iterates in ascending key order, which is
// the order the codec writes the entries in.
using ValueMap = std::map<EncodableValue, EncodableValue, ValueLess>;

// A copyable, type-erased holder of one application value. The standard codec
// writes it as null; a derived serializer may carry its own types in it.
// Two custom values are equivalent only when they are the same object.
class CustomValue {
 public:
  template <typename T,
            typename = std::enable_if_t<!std::is_same_v<std::decay_t<T>, CustomValue>>>
  explicit CustomValue(T&& value) : value_(std::forward<T>(value)) {}

  const std::any& value() const { return value_; }

 private:
  std::any value_;
};

class EncodableValue {
 public:
  // The storage. Its alternative index is the ValueKind.
  using Variant = std::variant<std::monostate, bool, int32_t, int64_t, double, std::string,
                               ByteArray, Int32Array, Int64Array, Float64Array, ValueList,
                               ValueMap, CustomValue, Float32Array>;

  // The null value.
  EncodableValue() = default;

  // A value of the alternative that holds `content`. Text always gives the
  // string alternative, never bool.
  EncodableValue(std::monostate) {}
  EncodableValue(bool content) : variant_(content) {}
  EncodableValue(int32_t content) : variant_(content) {}
  EncodableValue(int64_t content) : variant_(content) {}
  EncodableValue(double content) : variant_(content) {}
  EncodableValue(const char* text) : variant_(std::string(text)) {}
  EncodableValue(std::string content) : variant_(std::move(content)) {}
  EncodableValue(ByteArray content) : variant_(std::move(content)) {}
  EncodableValue(Int32Array content) : variant_(std::move(content)) {}
  EncodableValue(Int64Array content) : variant_(std::move(content)) {}
  EncodableValue(Float64Array content) : variant_(std::move(content)) {}
  EncodableValue(ValueList content) : variant_(std::move(content)) {}
  EncodableValue(ValueMap content) : variant_(std::move(content)) {}
  EncodableValue(CustomValue content) : variant_(std::move(content)) {}
  EncodableValue(Float32Array content) : variant_(std::move(content)) {}

  // Copies deeply. A move leaves the source in its alternative, emptied.
  EncodableValue(const EncodableValue&) = default;
  EncodableValue(EncodableValue&&) noexcept = default;
  EncodableValue& operator=(const EncodableValue&) = default;
  EncodableValue& operator=(EncodableValue&&) noexcept = default;
  ~EncodableValue() = default;

  ValueKind kind() const { return static_cast<ValueKind>(variant_.index()); }
  bool IsNull() const { return kind() == ValueKind::kNull; }

  // The content of alternative T. REQUIRES: the value holds T; any other
  // alternative is a contract violation that ends the process at once.
  template <typename T>
  const T& Get() const {
    const T* content = std::get_if<T>(&variant_);
    if (content == nullptr) AbortOnWrongKind(kind(), IndexOf<T>());
    return *content;
  }
  template <typename T>
  T& Get() {
    return const_cast<T&>(static_cast<const EncodableValue*>(this)->Get<T>());
  }

  // The content of alternative T, or null when another alternative is held.
  template <typename T>
  const T* GetIf() const {
    return std::get_if<T>(&variant_);
  }
  template <typename T>
  T* GetIf() {
    return std::get_if<T>(&variant_);
  }

  const Variant& variant() const { return variant_; }

  // The total ordering of values: kinds first, then contents. Numbers by
  // signed value, strings and integer arrays lexicographically by element,
  // lists and maps lexicographically by element (maps by entries in key
  // order), custom values by address. So that maps stay sound, NaN takes a
  // fixed place: it orders after every other double and all NaNs are
  // equivalent; float arrays use the same rule position by position.
  friend bool operator<(const EncodableValue& a, const EncodableValue& b) {
    return ValueLess()(a, b);
  }

 private:
  template <typename T, size_t I = 0>
  static constexpr size_t IndexOf() {
    if constexpr (std::is_same_v<T, std::variant_alternative_t<I, Variant>>) {
      return I;
    } else {
      return IndexOf<T, I + 1>();
    }
  }

  [[noreturn]] static void AbortOnWrongKind(ValueKind held, size_t wanted);

  Variant variant_;
};

// Equivalence derived from the ordering: neither value is less.
bool AreEquivalent(const EncodableValue& a, const EncodableValue& b);

}  // namespace flutter

#endif  // KESTRO_CODEC_ENCODABLE_VALUE_H_
