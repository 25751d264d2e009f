// The two calls of a Windows query that fills the caller's buffer (GetJobW,
// EnumJobsW, GetPrinterW, GetPrinterDriverW): a sizing call with no buffer,
// then a reading call with a buffer of the size it asked for. The answer can
// grow in between (a job's status text, a new job in the queue), and the
// reading call then fails with kInsufficientBufferError and the new size: it
// is made again with that size, a bounded number of times.

#ifndef KESTRO_CASH_DRAWER_SIZED_READ_H_
#define KESTRO_CASH_DRAWER_SIZED_READ_H_

#include <cstdint>
#include <functional>
#include <vector>

namespace kestro {

// The most reading calls one query makes.
inline constexpr int kSizedReadAttempts = 3;

// What one call of the query gave.
struct SizedCall {
  bool ok;
  // The bytes the answer needs, as the call reported them.
  uint32_t needed;
  // The last-error code of a call that failed.
  uint32_t error_code;
};

// Makes one call of the query into `*buffer`, whose size is the buffer's.
using SizedQuery = std::function<SizedCall(std::vector<uint8_t>* buffer)>;

// Makes the sizing call with an empty buffer, then up to kSizedReadAttempts
// reading calls, each with a zeroed buffer of the size last asked for. True
// with `*buffer` filled when a call succeeds (a sizing call that succeeds
// leaves it empty: there was nothing to read). False, with `*error_code` the
// code of the call that failed, when the sizing call fails with another code
// than kInsufficientBufferError, when a reading call fails otherwise than
// with that code and a larger size, and when the last reading call still
// finds the buffer too small.
bool ReadSized(const SizedQuery& query, std::vector<uint8_t>* buffer, uint32_t* error_code);

}  // namespace kestro

#endif  // KESTRO_CASH_DRAWER_SIZED_READ_H_
