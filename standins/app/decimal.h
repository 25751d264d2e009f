// Reads the small whole numbers that the stand-in takes from its arguments
// and environment.

#ifndef KESTRO_STANDINS_APP_DECIMAL_H_
#define KESTRO_STANDINS_APP_DECIMAL_H_

#include <optional>
#include <string>

namespace kestro::standin {

// The value of `text` when it is one to nine decimal digits and nothing else
// (no sign, no blanks); otherwise nullopt.
std::optional<int> ParseDecimal(const std::string& text);

}  // namespace kestro::standin

#endif  // KESTRO_STANDINS_APP_DECIMAL_H_
