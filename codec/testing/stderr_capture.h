// Captures what a test writes to the standard error stream, as lines.
//
// The codec and the messaging layer report problems as whole lines on the
// standard error stream (codec/stderr_line.h); tests of both compare those
// lines, so they share this one capture.

#ifndef KESTRO_CODEC_TESTING_STDERR_CAPTURE_H_
#define KESTRO_CODEC_TESTING_STDERR_CAPTURE_H_

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kestro_testing {

// Captures from construction until TakeLines(). One capture at a time.
class StderrCapture {
 public:
  StderrCapture() { ::testing::internal::CaptureStderr(); }
  ~StderrCapture() {
    if (capturing_) ::testing::internal::GetCapturedStderr();
  }

  StderrCapture(const StderrCapture&) = delete;
  StderrCapture& operator=(const StderrCapture&) = delete;

  // Ends the capture and returns the lines written, without their line ends
  // ("\n" or "\r\n"). Every report must end its line, so text after the last
  // line end fails the test; it also comes back marked, so that it never
  // compares equal to the line expected.
  std::vector<std::string> TakeLines() {
    capturing_ = false;
    const std::string text = ::testing::internal::GetCapturedStderr();
    std::vector<std::string> lines;
    std::string line;
    for (char c : text) {
      if (c == '\n') {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
        line.clear();
      } else {
        line.push_back(c);
      }
    }
    if (!line.empty()) {
      ADD_FAILURE() << "line written without a line end: " << line;
      lines.push_back(line + " <no line end>");
    }
    return lines;
  }

 private:
  bool capturing_ = true;
};

}  // namespace kestro_testing

#endif  // KESTRO_CODEC_TESTING_STDERR_CAPTURE_H_
