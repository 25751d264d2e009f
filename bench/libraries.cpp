#include "bench/libraries.h"

#include <cstring>
#include <utility>

#include "bench/msgpack_peer.h"
#include "bench/nlohmann_peer.h"
#include "codec/byte_buffer_stream_reader.h"
#include "codec/byte_buffer_stream_writer.h"
#include "codec/standard_codec_serializer.h"
#include "codec/standard_method_codec.h"

namespace kestro::bench {

using flutter::EncodableValue;

std::vector<uint8_t> EncodeValue(const EncodableValue& value) {
  std::vector<uint8_t> bytes;
  flutter::ByteBufferStreamWriter writer(&bytes);
  flutter::SharedSerializer().WriteValue(value, &writer);
  return bytes;
}

EncodableValue DecodeValue(const std::vector<uint8_t>& bytes) {
  flutter::ByteBufferStreamReader reader(bytes.data(), bytes.size());
  return flutter::SharedSerializer().ReadNextValue(&reader);
}

CodecLibrary::Tree CodecLibrary::Prepare(const Workload& workload) {
  if (workload.method) return {AsMethodCall(workload), EncodableValue()};
  return {nullptr, workload.value};
}

CodecLibrary::Message CodecLibrary::Encode(const Tree& tree) {
  if (tree.call) return {flutter::CodecForSerializer().EncodeCall(*tree.call), true};
  return {EncodeValue(tree.value), false};
}

CodecLibrary::Decoded CodecLibrary::Decode(const Message& message) {
  if (message.is_call) {
    return {flutter::CodecForSerializer().DecodeCall(message.bytes.data(), message.bytes.size()),
            EncodableValue()};
  }
  return {nullptr, DecodeValue(message.bytes)};
}

bool CodecLibrary::Same(const Decoded& decoded, const Tree& tree) {
  if (!tree.call) return !decoded.call && flutter::AreEquivalent(decoded.value, tree.value);
  if (!decoded.call || decoded.call->method_name() != tree.call->method_name()) return false;
  const EncodableValue* decoded_arguments = decoded.call->arguments();
  const EncodableValue* arguments = tree.call->arguments();
  if (decoded_arguments == nullptr || arguments == nullptr) return decoded_arguments == arguments;
  return flutter::AreEquivalent(*decoded_arguments, *arguments);
}

MsgpackZoneLibrary::Tree MsgpackZoneLibrary::Prepare(const Workload& workload) {
  return Decode(MsgpackPack(PeerValue(workload)));
}

MsgpackZoneLibrary::Message MsgpackZoneLibrary::Encode(const Tree& tree) {
  msgpack::sbuffer buffer;
  msgpack::pack(buffer, tree.get());
  return buffer;
}

MsgpackZoneLibrary::Decoded MsgpackZoneLibrary::Decode(const Message& message) {
  return msgpack::unpack(message.data(), message.size());
}

bool MsgpackZoneLibrary::Same(const Decoded& decoded, const Tree& tree) {
  return decoded.get() == tree.get();
}

MsgpackTreeLibrary::Tree MsgpackTreeLibrary::Prepare(const Workload& workload) {
  return WithoutTypedArrays(PeerValue(workload));
}

MsgpackTreeLibrary::Message MsgpackTreeLibrary::Encode(const Tree& tree) {
  return MsgpackPack(tree);
}

MsgpackTreeLibrary::Decoded MsgpackTreeLibrary::Decode(const Message& message) {
  const msgpack::object_handle handle = msgpack::unpack(message.data(), message.size());
  return MsgpackToTree(handle.get());
}

bool MsgpackTreeLibrary::Same(const Decoded& decoded, const Tree& tree) {
  return flutter::AreEquivalent(decoded, tree);
}

NlohmannLibrary::Tree NlohmannLibrary::Prepare(const Workload& workload) {
  return ToJson(PeerValue(workload));
}

NlohmannLibrary::Message NlohmannLibrary::Encode(const Tree& tree) {
  return nlohmann::json::to_msgpack(tree);
}

NlohmannLibrary::Decoded NlohmannLibrary::Decode(const Message& message) {
  return nlohmann::json::from_msgpack(message);
}

bool NlohmannLibrary::Same(const Decoded& decoded, const Tree& tree) { return decoded == tree; }

MemcpyLibrary::Buffer CopyToFreshBuffer(const uint8_t* data, size_t size) {
  MemcpyLibrary::Buffer buffer{std::unique_ptr<uint8_t[]>(new uint8_t[size]), size};
  std::memcpy(buffer.bytes.get(), data, size);
  return buffer;
}

MemcpyLibrary::Tree MemcpyLibrary::Prepare(const Workload& workload) {
  return CodecLibrary::Encode(CodecLibrary::Prepare(workload)).bytes;
}

MemcpyLibrary::Message MemcpyLibrary::Encode(const Tree& tree) {
  return CopyToFreshBuffer(tree.data(), tree.size());
}

MemcpyLibrary::Decoded MemcpyLibrary::Decode(const Message& message) {
  return CopyToFreshBuffer(message.bytes.get(), message.size);
}

bool MemcpyLibrary::Same(const Decoded& decoded, const Tree& tree) {
  return decoded.size == tree.size() &&
         std::memcmp(decoded.bytes.get(), tree.data(), tree.size()) == 0;
}

}  // namespace kestro::bench
