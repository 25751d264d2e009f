#include "audit/testing/record_order.h"

namespace kestro_testing {

LinesByWriter LinesOfEachWriter(const kestro::RecordReading& reading) {
  LinesByWriter lines;
  for (const kestro::RecordEntry& entry : reading.entries) {
    lines[entry.object["printer"].get<std::string>()].push_back(
        entry.object["openMs"].get<int64_t>());
  }
  return lines;
}

LinesByWriter EveryLineInOrder(const std::vector<std::string>& writers, int64_t count) {
  std::vector<int64_t> in_order;
  for (int64_t i = 0; i < count; ++i) in_order.push_back(i);
  LinesByWriter lines;
  for (const std::string& writer : writers) lines[writer] = in_order;
  return lines;
}

}  // namespace kestro_testing
