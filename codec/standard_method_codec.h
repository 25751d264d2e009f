// Method calls and replies in the standard message format.
//
// A call is the method name as a string value followed by the argument. A
// reply starts with an envelope byte: 0 for success, followed by the result;
// 1 for error, followed by the code, the message (null when empty) and the
// details. Absent values travel as null.

#ifndef KESTRO_CODEC_STANDARD_METHOD_CODEC_H_
#define KESTRO_CODEC_STANDARD_METHOD_CODEC_H_

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "codec/method_codec.h"
#include "codec/standard_codec_serializer.h"

namespace flutter {

// Reads and writes every value through the serializer's virtual operations,
// so a derived serializer's own types travel in calls and replies too.
class StandardMethodCodec : public MethodCodec {
 public:
  // `serializer` is borrowed and must outlive the codec. Codecs are normally
  // taken from CodecForSerializer rather than made directly.
  explicit StandardMethodCodec(const StandardCodecSerializer* serializer)
      : serializer(serializer) {}

  StandardMethodCodec(const StandardMethodCodec&) = delete;
  StandardMethodCodec& operator=(const StandardMethodCodec&) = delete;

  // The call, or null (after an error line) when the first value is not a
  // string. A missing argument reads as null; bytes after it are ignored.
  std::unique_ptr<MethodCall> DecodeCall(const uint8_t* bytes, size_t size) const override;

  std::vector<uint8_t> EncodeCall(const MethodCall& call) const override;

  std::vector<uint8_t> EncodeSuccessReply(const EncodableValue* result) const override;

  std::vector<uint8_t> EncodeErrorReply(const std::string& code, const std::string& message,
                                        const EncodableValue* details) const override;

  // A null result or details value is handed on as absent. An error reply
  // whose code is not a string, or whose message is neither null nor a
  // string, is reported with an error line and returns false, like an
  // envelope other than 0 or 1; `result` is then not called.
  bool DecodeReply(const uint8_t* bytes, size_t size, MethodResult* result) const override;

 private:
  const StandardCodecSerializer* serializer;
};

// The one codec for `serializer` (SharedSerializer() when null), made on its
// first request and kept, like the serializer, until the process ends. The
// same serializer always yields the same codec. Safe to call from any thread.
const StandardMethodCodec& CodecForSerializer(const StandardCodecSerializer* serializer = nullptr);

}  // namespace flutter

#endif  // KESTRO_CODEC_STANDARD_METHOD_CODEC_H_
