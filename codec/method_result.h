// The answer object of one incoming method call.

#ifndef KESTRO_CODEC_METHOD_RESULT_H_
#define KESTRO_CODEC_METHOD_RESULT_H_

#include <string>

#include "codec/encodable_value.h"

namespace flutter {

// Answers one method call: a result, an error or "not implemented". Exactly
// one of the three is meant to be called, once. A MethodResult has one owner
// at a time; it is handed on by moving its std::unique_ptr, and whoever holds
// it last destroys it. Values passed in are only read during the call.
class MethodResult {
 public:
  virtual ~MethodResult() = default;

  // Answers with `result`; null means no value and is sent as null.
  virtual void Success(const EncodableValue* result) = 0;

  // Answers with an error. `details` may be null.
  virtual void Error(const std::string& code, const std::string& message,
                     const EncodableValue* details) = 0;

  // Answers that the method is not implemented (an empty reply).
  virtual void NotImplemented() = 0;

  // Convenience forms of the calls above.
  void Success(const EncodableValue& result) { Success(&result); }
  void Success() { Success(nullptr); }
};

}  // namespace flutter

#endif  // KESTRO_CODEC_METHOD_RESULT_H_
