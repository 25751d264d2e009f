// Captures what a test writes to standard error and splits it into lines.

#ifndef KESTRO_EMBEDDING_TESTING_STDERR_CAPTURE_H_
#define KESTRO_EMBEDDING_TESTING_STDERR_CAPTURE_H_

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace flutter {
namespace testing {

// Captures from construction until TakeLines(). One capture at a time.
class StderrCapture {
 public:
  StderrCapture() { ::testing::internal::CaptureStderr(); }
  ~StderrCapture() {
    if (capturing_) ::testing::internal::GetCapturedStderr();
  }

  StderrCapture(const StderrCapture&) = delete;
  StderrCapture& operator=(const StderrCapture&) = delete;

  // The captured lines without their line ends. Text after the last line
  // end comes back marked, so a line written without one never compares
  // equal to the line expected.
  std::vector<std::string> TakeLines() {
    capturing_ = false;
    std::string text = ::testing::internal::GetCapturedStderr();
    std::vector<std::string> lines;
    std::string line;
    for (char c : text) {
      if (c == '\r') continue;
      if (c == '\n') {
        lines.push_back(line);
        line.clear();
      } else {
        line.push_back(c);
      }
    }
    if (!line.empty()) lines.push_back(line + " <no line end>");
    return lines;
  }

 private:
  bool capturing_ = true;
};

}  // namespace testing
}  // namespace flutter

#endif  // KESTRO_EMBEDDING_TESTING_STDERR_CAPTURE_H_
