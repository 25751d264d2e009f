#include "codec/standard_method_codec.h"

#include <map>
#include <mutex>
#include <utility>

#include "codec/byte_buffer_stream_reader.h"
#include "codec/byte_buffer_stream_writer.h"
#include "codec/stderr_line.h"

namespace flutter {
namespace {

constexpr uint8_t kSuccessEnvelope = 0;
constexpr uint8_t kErrorEnvelope = 1;

// Null stands for an absent value in a reply.
const EncodableValue* NullAsAbsent(const EncodableValue& value) {
  return value.IsNull() ? nullptr : &value;
}

// What is written for a value that may be absent: the value itself, not a
// copy of it (a reply can carry a whole printer list), or null.
const EncodableValue& ValueOrNull(const EncodableValue* value) {
  static const EncodableValue null_value;
  return value != nullptr ? *value : null_value;
}

}  // namespace

std::unique_ptr<MethodCall> StandardMethodCodec::DecodeCall(const uint8_t* bytes,
                                                            size_t size) const {
  ByteBufferStreamReader reader(bytes, size);
  EncodableValue name = serializer->ReadNextValue(&reader);
  if (name.kind() != ValueKind::kString) {
    WriteStderrLine("Invalid method call; method name is not a string.");
    return nullptr;
  }
  auto arguments = std::make_unique<EncodableValue>(serializer->ReadNextValue(&reader));
  return std::make_unique<MethodCall>(std::move(name.Get<std::string>()), std::move(arguments));
}

std::vector<uint8_t> StandardMethodCodec::EncodeCall(const MethodCall& call) const {
  std::vector<uint8_t> bytes;
  ByteBufferStreamWriter writer(&bytes);
  serializer->WriteValue(EncodableValue(call.method_name()), &writer);
  serializer->WriteValue(ValueOrNull(call.arguments()), &writer);
  return bytes;
}

std::vector<uint8_t> StandardMethodCodec::EncodeSuccessReply(const EncodableValue* result) const {
  std::vector<uint8_t> bytes;
  ByteBufferStreamWriter writer(&bytes);
  writer.WriteOneByte(kSuccessEnvelope);
  serializer->WriteValue(ValueOrNull(result), &writer);
  return bytes;
}

std::vector<uint8_t> StandardMethodCodec::EncodeErrorReply(const std::string& code,
                                                           const std::string& message,
                                                           const EncodableValue* details) const {
  std::vector<uint8_t> bytes;
  ByteBufferStreamWriter writer(&bytes);
  writer.WriteOneByte(kErrorEnvelope);
  serializer->WriteValue(EncodableValue(code), &writer);
  serializer->WriteValue(message.empty() ? EncodableValue() : EncodableValue(message), &writer);
  serializer->WriteValue(ValueOrNull(details), &writer);
  return bytes;
}

bool StandardMethodCodec::DecodeReply(const uint8_t* bytes, size_t size,
                                      MethodResult* result) const {
  ByteBufferStreamReader reader(bytes, size);
  const uint8_t envelope = reader.ReadOneByte();
  if (envelope == kSuccessEnvelope) {
    const EncodableValue value = serializer->ReadNextValue(&reader);
    result->Success(NullAsAbsent(value));
    return true;
  }
  if (envelope != kErrorEnvelope) return false;
  const EncodableValue code = serializer->ReadNextValue(&reader);
  const EncodableValue message = serializer->ReadNextValue(&reader);
  const EncodableValue details = serializer->ReadNextValue(&reader);
  const std::string* code_text = code.GetIf<std::string>();
  const std::string* message_text = message.GetIf<std::string>();
  if (code_text == nullptr || (message_text == nullptr && !message.IsNull())) {
    WriteStderrLine("Invalid error reply; code or message is not a string.");
    return false;
  }
  result->Error(*code_text, message_text ? *message_text : std::string(), NullAsAbsent(details));
  return true;
}

const StandardMethodCodec& CodecForSerializer(const StandardCodecSerializer* serializer) {
  if (serializer == nullptr) serializer = &SharedSerializer();
  // Never destroyed, so that a codec handed out stays valid until exit.
  static auto* const mutex = new std::mutex;
  static auto* const registry =
      new std::map<const StandardCodecSerializer*, std::unique_ptr<StandardMethodCodec>>;
  std::lock_guard<std::mutex> lock(*mutex);
  std::unique_ptr<StandardMethodCodec>& codec = (*registry)[serializer];
  if (!codec) codec = std::make_unique<StandardMethodCodec>(serializer);
  return *codec;
}

}  // namespace flutter
