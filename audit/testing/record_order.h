// What tests of writers running at once read back from the record: the
// lines of each writer, told apart by the "printer" they name, as the
// numbers each carries in "openMs", in the order the record holds them.

#ifndef KESTRO_AUDIT_TESTING_RECORD_ORDER_H_
#define KESTRO_AUDIT_TESTING_RECORD_ORDER_H_

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "audit/record_reader.h"

namespace kestro_testing {

using LinesByWriter = std::map<std::string, std::vector<int64_t>>;

LinesByWriter LinesOfEachWriter(const kestro::RecordReading& reading);

// What LinesOfEachWriter gives when each of `writers` wrote 0 to `count` - 1
// in order, none lost.
LinesByWriter EveryLineInOrder(const std::vector<std::string>& writers, int64_t count);

}  // namespace kestro_testing

#endif  // KESTRO_AUDIT_TESTING_RECORD_ORDER_H_
