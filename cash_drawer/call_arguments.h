// How the cash drawer channel reads the entries of a call's argument map: a
// wrongly typed entry is never an error, it takes the default.

#ifndef KESTRO_CASH_DRAWER_CALL_ARGUMENTS_H_
#define KESTRO_CASH_DRAWER_CALL_ARGUMENTS_H_

#include <cstdint>
#include <string>

#include "codec/encodable_value.h"

namespace kestro {

// The string under the string key `key`, as UTF-16; empty when the entry is
// missing or holds another type.
std::u16string ReadStringArgument(const flutter::ValueMap& arguments, const std::string& key);

// The integer under the string key `key`: a 32-bit integer as it is, a 64-bit
// one as its low 32 bits (two's complement); `default_value` when the entry is
// missing or holds anything else, a whole-numbered double included.
int32_t ReadIntArgument(const flutter::ValueMap& arguments, const std::string& key,
                        int32_t default_value);

// ReadIntArgument, then brought within [0, `longest`].
int32_t ReadTimeArgument(const flutter::ValueMap& arguments, const std::string& key,
                         int32_t default_value, int32_t longest);

}  // namespace kestro

#endif  // KESTRO_CASH_DRAWER_CALL_ARGUMENTS_H_
