// Where a floor program writes what it measured: one JSON line to a file
// named on its command line (the programs have no console to write to).

#ifndef KESTRO_BENCH_FLOORS_FLOOR_OUTPUT_WIN_H_
#define KESTRO_BENCH_FLOORS_FLOOR_OUTPUT_WIN_H_

#include <string>
#include <vector>

namespace kestro::floors {

// Writes `{"<key>": [t, ...]}` and a line end to the file at `path`
// (replacing it), each time to the microsecond. False when it cannot.
bool WriteTimes(const std::wstring& path, const char* key, const std::vector<double>& times);

}  // namespace kestro::floors

#endif  // KESTRO_BENCH_FLOORS_FLOOR_OUTPUT_WIN_H_
