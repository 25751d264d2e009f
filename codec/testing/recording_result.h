// A method result that writes down what it is answered with, for tests of
// anything that answers method calls or decodes replies into a result.

#ifndef KESTRO_CODEC_TESTING_RECORDING_RESULT_H_
#define KESTRO_CODEC_TESTING_RECORDING_RESULT_H_

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "codec/encodable_value.h"
#include "codec/method_result.h"

namespace kestro_testing {

// What a method result was answered with. It lives apart from the result, so
// a test still reads it after the result has been handed on and destroyed.
struct Answer {
  enum class Kind { kNone, kSuccess, kError, kNotImplemented };
  Kind kind = Kind::kNone;
  // How many answers came; a result is meant to get exactly one.
  int count = 0;
  // The success value or the error details; absent when the answer carried
  // none (a null pointer).
  std::optional<flutter::EncodableValue> value;
  std::string error_code;
  std::string error_message;
  // Whether the result object has been destroyed.
  bool destroyed = false;
};

// Writes every answer into `*answer`, which must outlive it: a later answer
// replaces what an earlier one wrote, and `count` says how many came.
class RecordingResult : public flutter::MethodResult {
 public:
  explicit RecordingResult(Answer* answer) : answer_(answer) {}
  ~RecordingResult() override { answer_->destroyed = true; }

  void Success(const flutter::EncodableValue* result) override {
    Note(Answer::Kind::kSuccess, result, "", "");
  }
  void Error(const std::string& code, const std::string& message,
             const flutter::EncodableValue* details) override {
    Note(Answer::Kind::kError, details, code, message);
  }
  void NotImplemented() override { Note(Answer::Kind::kNotImplemented, nullptr, "", ""); }

 private:
  void Note(Answer::Kind kind, const flutter::EncodableValue* value, const std::string& code,
            const std::string& message);

  Answer* answer_;
};

// The reply the standard method codec makes of `answer`; zero bytes for "not
// implemented" and for no answer at all.
std::vector<uint8_t> EncodeAnswer(const Answer& answer);

// "success V", "success absent", "error CODE/MESSAGE/V" (or ".../absent"),
// "not implemented" or "no answer", with " (N answers)" after it when more
// than one came. Values as Describe shows them.
std::string Describe(const Answer& answer);

}  // namespace kestro_testing

#endif  // KESTRO_CODEC_TESTING_RECORDING_RESULT_H_
