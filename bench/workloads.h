// The data the benchmarks move: the same logical values for the channel
// codec and for every peer library, built deterministically so that every
// run and every library sees identical input.

#ifndef KESTRO_BENCH_WORKLOADS_H_
#define KESTRO_BENCH_WORKLOADS_H_

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "codec/encodable_value.h"
#include "codec/method_call.h"

namespace kestro::bench {

// One workload. When `method` is set the workload is a method call: the
// channel codec encodes it as one (name, then `value` as the argument) and
// the peers, which know no calls, as the two-element list [method, value].
struct Workload {
  std::string name;
  std::optional<std::string> method;
  flutter::EncodableValue value;
};

// The four workloads compared across libraries, in report order:
// small_call, printer_list, float64_1mib, tree_10k.
const std::vector<Workload>& ComparedWorkloads();

// The growth series, decoded by the codec alone: printer_list_N for N = 1,
// 10, 100 and 1000, then bytes_N, a byte array of N = 1 KiB to 16 MiB in
// steps of four.
const std::vector<Workload>& GrowthWorkloads();

// The "openDrawer" call with the arguments a till sends when it opens the
// drawer of its receipt printer.
Workload SmallCall();

// `count` printer maps as "listPrinters" answers them.
flutter::EncodableValue PrinterList(int count);

// `count` doubles, none of which a float holds exactly.
flutter::EncodableValue Float64Values(size_t count);

// A tree of lists and maps, `levels` deep, each container holding `fan_out`
// children; the bottom level holds ints, doubles and short strings in turn.
// Map keys are short strings.
flutter::EncodableValue Tree(int levels, int fan_out);

// `count` bytes counting up from 0, wrapping at 256.
flutter::EncodableValue Bytes(size_t count);

// What the peers hold for `workload`: the value itself, or [method, value]
// for a call.
flutter::EncodableValue PeerValue(const Workload& workload);

// The call a workload with a method stands for. REQUIRES: workload.method.
std::unique_ptr<flutter::MethodCall> AsMethodCall(const Workload& workload);

// The same data in a tree without typed arrays: every typed array becomes a
// list of its numbers. That is the form a generic tree decoded from
// MessagePack holds, where an array of numbers has no element type.
flutter::EncodableValue WithoutTypedArrays(const flutter::EncodableValue& value);

}  // namespace kestro::bench

#endif  // KESTRO_BENCH_WORKLOADS_H_
