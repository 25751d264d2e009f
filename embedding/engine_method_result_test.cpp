#include "embedding/engine_method_result.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "codec/testing/stderr_capture.h"
#include "embedding/testing/recording_codec.h"

namespace flutter {
namespace {

using kestro_testing::RecordingCodec;
using kestro_testing::StderrCapture;

constexpr char kDuplicateResult[] =
    "Error: Only one of Success, Error, or NotImplemented can be called, and it can be called "
    "exactly once. Ignoring duplicate result.";
constexpr char kUnanswered[] = "Warning: Failed to respond to a message. This is a memory leak.";

// A reply as the engine would receive it: "<null>" for a null pointer.
std::string Describe(const uint8_t* data, size_t size) {
  if (data == nullptr) return "<null>/" + std::to_string(size);
  return std::string(reinterpret_cast<const char*>(data), size);
}

using Answer = std::function<void(MethodResult&)>;

const Answer kSuccessTrue = [](MethodResult& r) { r.Success(EncodableValue(true)); };
const Answer kSuccessNull = [](MethodResult& r) { r.Success(nullptr); };
const Answer kSuccessBare = [](MethodResult& r) { r.Success(); };
const Answer kError = [](MethodResult& r) {
  EncodableValue details(int32_t{7});
  r.Error("invalid_arguments", "no printer", &details);
};
const Answer kErrorBare = [](MethodResult& r) { r.Error("E", "", nullptr); };
const Answer kNotImplemented = [](MethodResult& r) { r.NotImplemented(); };

struct AnswerCase {
  const char* label;
  std::vector<Answer> answers;
  std::vector<std::string> replies;
  std::vector<std::string> lines;
  int success_encodings;
  int error_encodings;
};

// Exactly one reply leaves, whatever the answers; every answer is encoded
// before the once-only test refuses it.
TEST(EngineMethodResult, SendsTheFirstAnswerOnlyAndReportsTheRest) {
  const AnswerCase cases[] = {
      {"success with a value", {kSuccessTrue}, {"S1"}, {}, 1, 0},
      {"success with a null pointer goes to the codec as absent", {kSuccessNull}, {"S-"}, {}, 1, 0},
      {"success without arguments", {kSuccessBare}, {"S-"}, {}, 1, 0},
      {"error with details", {kError}, {"Einvalid_arguments|no printer|2"}, {}, 0, 1},
      {"error without message or details", {kErrorBare}, {"EE||-"}, {}, 0, 1},
      {"not implemented is a null pointer of size 0", {kNotImplemented}, {"<null>/0"}, {}, 0, 0},
      {"success then error", {kSuccessTrue, kError}, {"S1"}, {kDuplicateResult}, 1, 1},
      {"not implemented twice",
       {kNotImplemented, kNotImplemented},
       {"<null>/0"},
       {kDuplicateResult},
       0,
       0},
      {"error then success then not implemented",
       {kError, kSuccessTrue, kNotImplemented},
       {"Einvalid_arguments|no printer|2"},
       {kDuplicateResult, kDuplicateResult},
       1,
       1},
      {"never answered", {}, {}, {kUnanswered}, 0, 0},
  };
  for (const AnswerCase& c : cases) {
    SCOPED_TRACE(c.label);
    RecordingCodec codec;
    std::vector<std::string> replies;
    StderrCapture stderr_capture;
    {
      EngineMethodResult result(
          [&replies](const uint8_t* data, size_t size) { replies.push_back(Describe(data, size)); },
          &codec);
      for (const Answer& answer : c.answers) answer(result);
    }
    EXPECT_EQ(stderr_capture.TakeLines(), c.lines);
    EXPECT_EQ(replies, c.replies);
    EXPECT_EQ(codec.success_encodings, c.success_encodings);
    EXPECT_EQ(codec.error_encodings, c.error_encodings);
  }
}

}  // namespace
}  // namespace flutter
