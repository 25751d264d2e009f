#include "codec/encodable_value.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace flutter {
namespace {

// Orders doubles totally: numbers by value, NaN after every number, all NaNs
// equivalent. Without the NaN rule a NaN key would break the map's invariants.
bool DoubleLess(double a, double b) {
  if (std::isnan(a)) return false;
  if (std::isnan(b)) return true;
  return a < b;
}

template <typename T>
bool ElementLess(const T& a, const T& b) {
  if constexpr (std::is_floating_point_v<T>) {
    return DoubleLess(a, b);
  } else {
    return a < b;
  }
}

// Lexicographic order of two sequences whose elements compare with `less`;
// a proper prefix is less.
template <typename Sequence, typename Less>
bool SequenceLess(const Sequence& a, const Sequence& b, Less less) {
  auto ia = a.begin();
  auto ib = b.begin();
  for (; ia != a.end() && ib != b.end(); ++ia, ++ib) {
    if (less(*ia, *ib)) return true;
    if (less(*ib, *ia)) return false;
  }
  return ia == a.end() && ib != b.end();
}

bool EntryLess(const ValueMap::value_type& a, const ValueMap::value_type& b) {
  ValueLess less;
  if (less(a.first, b.first)) return true;
  if (less(b.first, a.first)) return false;
  return less(a.second, b.second);
}

struct SameKindLess {
  const EncodableValue::Variant& other;

  bool operator()(const std::monostate&) const { return false; }
  bool operator()(const CustomValue& a) const {
    return &a < &std::get<CustomValue>(other);
  }
  bool operator()(const ValueMap& a) const {
    return SequenceLess(a, std::get<ValueMap>(other), EntryLess);
  }
  bool operator()(const std::string& a) const {
    // Unsigned byte order, whatever the signedness of char.
    const std::string& b = std::get<std::string>(other);
    return SequenceLess(a, b, [](char x, char y) {
      return static_cast<unsigned char>(x) < static_cast<unsigned char>(y);
    });
  }
  template <typename T>
  bool operator()(const std::vector<T>& a) const {
    return SequenceLess(a, std::get<std::vector<T>>(other), ElementLess<T>);
  }
  bool operator()(const ValueList& a) const {
    return SequenceLess(a, std::get<ValueList>(other), ValueLess());
  }
  template <typename T>
  bool operator()(const T& a) const {
    return ElementLess(a, std::get<T>(other));
  }
};

}  // namespace

bool ValueLess::operator()(const EncodableValue& a, const EncodableValue& b) const {
  if (a.kind() != b.kind()) return a.kind() < b.kind();
  return std::visit(SameKindLess{b.variant()}, a.variant());
}

bool AreEquivalent(const EncodableValue& a, const EncodableValue& b) {
  return !(a < b) && !(b < a);
}

void EncodableValue::AbortOnWrongKind(ValueKind held, size_t wanted) {
  std::fprintf(stderr, "EncodableValue accessed as kind %zu while it holds kind %d\n", wanted,
               static_cast<int>(held));
  std::fflush(stderr);
  std::abort();
}

}  // namespace flutter
