// A MethodCodec double for tests of the messaging layer, with a byte format
// that is easy to read in expectations and counters of every encoding.
//
//   call:          'C' then the method name; the argument is always null.
//                  Anything else does not decode.
//   success reply: 'S' then the result's kind number, or '-' when absent.
//   error reply:   'E' then code '|' message '|' and the details' kind
//                  number, or '-' when absent.

#ifndef KESTRO_EMBEDDING_TESTING_RECORDING_CODEC_H_
#define KESTRO_EMBEDDING_TESTING_RECORDING_CODEC_H_

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "codec/encodable_value.h"
#include "codec/method_call.h"
#include "codec/method_codec.h"

namespace kestro_testing {

// The bytes of `text` as they are, for messages in the readable format.
inline std::vector<uint8_t> TextBytes(const std::string& text) {
  return std::vector<uint8_t>(text.begin(), text.end());
}

class RecordingCodec : public flutter::MethodCodec {
 public:
  std::unique_ptr<flutter::MethodCall> DecodeCall(const uint8_t* bytes,
                                                  size_t size) const override {
    ++decode_calls;
    if (size == 0 || bytes[0] != 'C') return nullptr;
    std::string name(reinterpret_cast<const char*>(bytes) + 1, size - 1);
    return std::make_unique<flutter::MethodCall>(name, std::make_unique<flutter::EncodableValue>());
  }

  std::vector<uint8_t> EncodeCall(const flutter::MethodCall& call) const override {
    return TextBytes("C" + call.method_name());
  }

  std::vector<uint8_t> EncodeSuccessReply(const flutter::EncodableValue* result) const override {
    ++success_encodings;
    return TextBytes("S" + KindOf(result));
  }

  std::vector<uint8_t> EncodeErrorReply(const std::string& code, const std::string& message,
                                        const flutter::EncodableValue* details) const override {
    ++error_encodings;
    return TextBytes("E" + code + "|" + message + "|" + KindOf(details));
  }

  bool DecodeReply(const uint8_t*, size_t, flutter::MethodResult*) const override { return false; }

  mutable std::atomic<int> decode_calls{0};
  mutable std::atomic<int> success_encodings{0};
  mutable std::atomic<int> error_encodings{0};

 private:
  static std::string KindOf(const flutter::EncodableValue* value) {
    return value == nullptr ? "-" : std::to_string(static_cast<int>(value->kind()));
  }
};

}  // namespace kestro_testing

#endif  // KESTRO_EMBEDDING_TESTING_RECORDING_CODEC_H_
