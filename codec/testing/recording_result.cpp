#include "codec/testing/recording_result.h"

#include <utility>

#include "codec/standard_method_codec.h"
#include "codec/testing/value_printer.h"

namespace kestro_testing {

void RecordingResult::Note(Answer::Kind kind, const flutter::EncodableValue* value,
                           const std::string& code, const std::string& message) {
  std::optional<flutter::EncodableValue> carried;
  if (value != nullptr) carried = *value;
  *answer_ =
      Answer{kind, answer_->count + 1, std::move(carried), code, message, answer_->destroyed};
}

std::vector<uint8_t> EncodeAnswer(const Answer& answer) {
  const flutter::MethodCodec& codec = flutter::CodecForSerializer();
  const flutter::EncodableValue* carried = answer.value ? &*answer.value : nullptr;
  if (answer.kind == Answer::Kind::kSuccess) return codec.EncodeSuccessReply(carried);
  if (answer.kind == Answer::Kind::kError) {
    return codec.EncodeErrorReply(answer.error_code, answer.error_message, carried);
  }
  return {};
}

std::string Describe(const Answer& answer) {
  const std::string carried = answer.value ? Describe(*answer.value) : "absent";
  std::string text = "no answer";
  if (answer.kind == Answer::Kind::kSuccess) text = "success " + carried;
  if (answer.kind == Answer::Kind::kError) {
    text = "error " + answer.error_code + "/" + answer.error_message + "/" + carried;
  }
  if (answer.kind == Answer::Kind::kNotImplemented) text = "not implemented";
  if (answer.count > 1) text += " (" + std::to_string(answer.count) + " answers)";
  return text;
}

}  // namespace kestro_testing
