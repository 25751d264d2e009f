// A method call decoded from, or encoded to, a method channel message.

#ifndef KESTRO_CODEC_METHOD_CALL_H_
#define KESTRO_CODEC_METHOD_CALL_H_

#include <memory>
#include <string>
#include <utility>

#include "codec/encodable_value.h"

namespace flutter {

// A method name (UTF-8) and the call's own argument, which may be absent.
// Calls made by the codec always carry an argument, possibly null.
class MethodCall {
 public:
  MethodCall(std::string method_name, std::unique_ptr<EncodableValue> arguments)
      : method_name_(std::move(method_name)), arguments_(std::move(arguments)) {}
  virtual ~MethodCall() = default;

  MethodCall(const MethodCall&) = delete;
  MethodCall& operator=(const MethodCall&) = delete;

  const std::string& method_name() const { return method_name_; }

  // The argument, or null when the call has none. Owned by the call.
  const EncodableValue* arguments() const { return arguments_.get(); }

 private:
  std::string method_name_;
  std::unique_ptr<EncodableValue> arguments_;
};

}  // namespace flutter

#endif  // KESTRO_CODEC_METHOD_CALL_H_
