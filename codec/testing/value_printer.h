// Comparison of channel values in tests, with a readable account of both
// values when they differ.

#ifndef KESTRO_CASH_DRAWER_VALUE_TEST_UTIL_H_
#define KESTRO_CASH_DRAWER_VALUE_TEST_UTIL_H_

#include <gtest/gtest.h>

#include <string>

#include "codec/encodable_value.h"

namespace kestro {

// A one-line account of `value` that names the kind of every number, so that
// 5, 5L and true read differently.
std::string Describe(const flutter::EncodableValue& value);

// Passes when the two values are equivalent (same kinds, same contents).
::testing::AssertionResult SameValue(const flutter::EncodableValue& actual,
                                     const flutter::EncodableValue& expected);

}  // namespace kestro

#endif  // KESTRO_CASH_DRAWER_VALUE_TEST_UTIL_H_
