#include "codec/encodable_value.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>

namespace flutter {
namespace {

// Three-way comparisons: negative when a orders first, zero when neither
// does, positive otherwise. Comparing once per element (rather than asking
// "less" both ways) keeps nested values linear in their size, however deep.

// Doubles order by value, NaN after every number, all NaNs equivalent.
// Without the NaN rule a NaN key would break the map's invariants.
int CompareDoubles(double a, double b) {
  if (std::isnan(a) || std::isnan(b)) return int{std::isnan(a)} - int{std::isnan(b)};
  return (b < a) - (a < b);
}

template <typename T>
int CompareElements(const T& a, const T& b) {
  if constexpr (std::is_floating_point_v<T>) {
    return CompareDoubles(a, b);
  } else {
    return (b < a) - (a < b);
  }
}

// Lexicographic order of two sequences whose elements compare with
// `compare`; a proper prefix orders first.
template <typename Sequence, typename Compare>
int CompareSequences(const Sequence& a, const Sequence& b, Compare compare) {
  auto ia = a.begin();
  auto ib = b.begin();
  for (; ia != a.end() && ib != b.end(); ++ia, ++ib) {
    if (const int order = compare(*ia, *ib)) return order;
  }
  if (ia != a.end()) return 1;
  return ib != b.end() ? -1 : 0;
}

int CompareValues(const EncodableValue& a, const EncodableValue& b);

int CompareEntries(const ValueMap::value_type& a, const ValueMap::value_type& b) {
  if (const int order = CompareValues(a.first, b.first)) return order;
  return CompareValues(a.second, b.second);
}

struct SameKindCompare {
  const EncodableValue::Variant& other;

  int operator()(const std::monostate&) const { return 0; }
  int operator()(const CustomValue& a) const {
    const CustomValue* b = &std::get<CustomValue>(other);
    return std::less<const CustomValue*>()(b, &a) - std::less<const CustomValue*>()(&a, b);
  }
  int operator()(const ValueMap& a) const {
    return CompareSequences(a, std::get<ValueMap>(other), CompareEntries);
  }
  int operator()(const std::string& a) const {
    // std::string compares as memcmp does, by unsigned byte value whatever
    // the signedness of char, and puts a proper prefix first.
    const int order = a.compare(std::get<std::string>(other));
    return (order > 0) - (order < 0);
  }
  int operator()(const ValueList& a) const {
    return CompareSequences(a, std::get<ValueList>(other), CompareValues);
  }
  template <typename T>
  int operator()(const std::vector<T>& a) const {
    return CompareSequences(a, std::get<std::vector<T>>(other), CompareElements<T>);
  }
  template <typename T>
  int operator()(const T& a) const {
    return CompareElements(a, std::get<T>(other));
  }
};

int CompareValues(const EncodableValue& a, const EncodableValue& b) {
  if (a.kind() != b.kind()) return a.kind() < b.kind() ? -1 : 1;
  return std::visit(SameKindCompare{b.variant()}, a.variant());
}

}  // namespace

bool ValueLess::operator()(const EncodableValue& a, const EncodableValue& b) const {
  return CompareValues(a, b) < 0;
}

bool AreEquivalent(const EncodableValue& a, const EncodableValue& b) {
  return CompareValues(a, b) == 0;
}

void EncodableValue::AbortOnWrongKind(ValueKind held, size_t wanted) {
  std::fprintf(stderr, "EncodableValue accessed as kind %zu while it holds kind %d\n", wanted,
               static_cast<int>(held));
  std::fflush(stderr);
  std::abort();
}

}  // namespace flutter
