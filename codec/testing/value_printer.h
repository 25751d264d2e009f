// How tests show and compare channel values.
//
// Describe gives a one-line account of a value that names the kind of every
// number, so that 5, 5L and true read differently, and prints doubles and
// floats in full. GoogleTest prints every EncodableValue through it, and
// SameValue shows both values when they differ.

#ifndef KESTRO_CODEC_TESTING_VALUE_PRINTER_H_
#define KESTRO_CODEC_TESTING_VALUE_PRINTER_H_

#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "codec/encodable_value.h"

namespace kestro_testing {

// E.g. {"pin": 2, "pulseOn": 25L, "ratio": 0.5d, "raw": u8[27, 112]}.
std::string Describe(const flutter::EncodableValue& value);

// Passes when the two values are equivalent (same kinds, same contents).
::testing::AssertionResult SameValue(const flutter::EncodableValue& actual,
                                     const flutter::EncodableValue& expected);

}  // namespace kestro_testing

namespace flutter {

// GoogleTest's printer for values, found by argument-dependent lookup; every
// test that prints a value includes this header, so one printer serves all.
void PrintTo(const EncodableValue& value, std::ostream* out);

}  // namespace flutter

#endif  // KESTRO_CODEC_TESTING_VALUE_PRINTER_H_
