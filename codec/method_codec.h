// The interface that turns method calls and replies into bytes and back.

#ifndef KESTRO_CODEC_METHOD_CODEC_H_
#define KESTRO_CODEC_METHOD_CODEC_H_

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "codec/encodable_value.h"
#include "codec/method_call.h"
#include "codec/method_result.h"

namespace flutter {

// Method codecs have no mutable state once made: any thread may use one.
class MethodCodec {
 public:
  virtual ~MethodCodec() = default;

  // The call held by `size` bytes at `bytes`, or null when the bytes do not
  // start with a method name.
  virtual std::unique_ptr<MethodCall> DecodeCall(const uint8_t* bytes, size_t size) const = 0;

  virtual std::vector<uint8_t> EncodeCall(const MethodCall& call) const = 0;

  // A success reply carrying `result`, or null when it is absent.
  virtual std::vector<uint8_t> EncodeSuccessReply(const EncodableValue* result) const = 0;

  // An error reply; an empty message and absent details travel as null.
  virtual std::vector<uint8_t> EncodeErrorReply(const std::string& code,
                                                const std::string& message,
                                                const EncodableValue* details) const = 0;

  // Hands the reply held by the bytes to `result` (borrowed). Returns false,
  // without calling `result`, when the bytes are not a reply.
  virtual bool DecodeReply(const uint8_t* bytes, size_t size, MethodResult* result) const = 0;
};

}  // namespace flutter

#endif  // KESTRO_CODEC_METHOD_CODEC_H_
