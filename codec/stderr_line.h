// One-line reports on the standard error stream.
//
// The codec and the messaging layer report every problem as one whole line
// on the standard error stream. Writing the line with a single call keeps it
// in one piece when several threads report at once.

#ifndef KESTRO_CODEC_STDERR_LINE_H_
#define KESTRO_CODEC_STDERR_LINE_H_

#include <string_view>

namespace flutter {

// Writes `text` followed by a line end to the standard error stream in one
// write, then flushes the stream. `text` holds no line end of its own.
void WriteStderrLine(std::string_view text);

}  // namespace flutter

#endif  // KESTRO_CODEC_STDERR_LINE_H_
