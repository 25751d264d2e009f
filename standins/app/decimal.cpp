#include "standins/app/decimal.h"

namespace kestro::standin {

std::optional<int> ParseDecimal(const std::string& text) {
  if (text.empty() || text.size() > 9) return std::nullopt;
  int value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + (c - '0');
  }
  return value;
}

}  // namespace kestro::standin
