// One-line reports on the standard error stream.
//
// The codec and the messaging layer report every problem as one whole line
// on the standard error stream. Writing the line with a single call keeps it
// in one piece when several threads report at once.

#ifndef KESTRO_CODEC_STDERR_LINE_H_
#define KESTRO_CODEC_STDERR_LINE_H_

#include <cstdint>
#include <string_view>

namespace flutter {

// Writes `text` followed by a line end to the standard error stream in one
// write, then flushes the stream. `text` holds no line end of its own.
// While a StderrLineLimit is in force on the calling thread, the line may be
// left out instead (see there).
void WriteStderrLine(std::string_view text);

// Caps the lines that WriteStderrLine writes on this thread while the object
// lives: the first `limit` are written, the rest are only counted. When it
// ends and lines were left out, it writes one more line: `what`, then ": ",
// the count, and " more error lines left out". `what` must outlive it. Each line costs a write and
// a flush, so this keeps a stream of reports about one piece of hostile input from holding up the
// thread. A limit made while another is in force on the thread does nothing; the outer one counts.
class StderrLineLimit {
 public:
  StderrLineLimit(uint64_t limit, const char* what);
  ~StderrLineLimit();

  StderrLineLimit(const StderrLineLimit&) = delete;
  StderrLineLimit& operator=(const StderrLineLimit&) = delete;

 private:
  // Whether this object is the one in force.
  bool in_force_ = false;
  const char* what_ = nullptr;
};

}  // namespace flutter

#endif  // KESTRO_CODEC_STDERR_LINE_H_
