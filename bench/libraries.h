// The libraries the benchmarks compare, each behind the same small set of
// static operations so that one template times them all alike:
//
//   Tree    Prepare(const Workload&)  the library's own in-memory form of
//                                     the workload, made before timing
//   Message Encode(const Tree&)       the tree's bytes, in an owning buffer
//   Decoded Decode(const Message&)    an owning tree read from the bytes
//   bool    Same(const Decoded&, const Tree&)   the round trip held
//   size_t  Size(const Message&)      the message's length in bytes
//
// Decoding always yields a tree that owns its data, so that freeing it is
// part of the work, as it is for the channel codec.

#ifndef KESTRO_BENCH_LIBRARIES_H_
#define KESTRO_BENCH_LIBRARIES_H_

#include <cstddef>
#include <cstdint>
#include <memory>
#include <msgpack.hpp>
#include <nlohmann/json.hpp>
#include <vector>

#include "bench/workloads.h"
#include "codec/encodable_value.h"
#include "codec/method_call.h"

namespace kestro::bench {

// The channel codec: the standard serializer for values and the standard
// method codec for calls, as the channel uses them.
struct CodecLibrary {
  static constexpr char kName[] = "codec";
  // A call (`call` set) or a plain value.
  struct Tree {
    std::unique_ptr<flutter::MethodCall> call;
    flutter::EncodableValue value;
  };
  struct Message {
    std::vector<uint8_t> bytes;
    bool is_call = false;
  };
  using Decoded = Tree;

  static Tree Prepare(const Workload& workload);
  static Message Encode(const Tree& tree);
  static Decoded Decode(const Message& message);
  static bool Same(const Decoded& decoded, const Tree& tree);
  static size_t Size(const Message& message) { return message.bytes.size(); }
};

// msgpack-cxx with its own object tree, whose nodes live in a zone that is
// freed at once with the tree.
struct MsgpackZoneLibrary {
  static constexpr char kName[] = "msgpack_zone";
  using Tree = msgpack::object_handle;
  using Message = msgpack::sbuffer;
  using Decoded = msgpack::object_handle;

  static Tree Prepare(const Workload& workload);
  static Message Encode(const Tree& tree);
  static Decoded Decode(const Message& message);
  static bool Same(const Decoded& decoded, const Tree& tree);
  static size_t Size(const Message& message) { return message.size(); }
};

// msgpack-cxx decoding into a tree of std containers like the codec's: the
// zone tree is converted into channel values, then freed.
struct MsgpackTreeLibrary {
  static constexpr char kName[] = "msgpack_tree";
  using Tree = flutter::EncodableValue;
  using Message = msgpack::sbuffer;
  using Decoded = flutter::EncodableValue;

  static Tree Prepare(const Workload& workload);
  static Message Encode(const Tree& tree);
  static Decoded Decode(const Message& message);
  static bool Same(const Decoded& decoded, const Tree& tree);
  static size_t Size(const Message& message) { return message.size(); }
};

// nlohmann-json's to_msgpack and from_msgpack on its json documents.
struct NlohmannLibrary {
  static constexpr char kName[] = "nlohmann";
  using Tree = nlohmann::json;
  using Message = std::vector<uint8_t>;
  using Decoded = nlohmann::json;

  static Tree Prepare(const Workload& workload);
  static Message Encode(const Tree& tree);
  static Decoded Decode(const Message& message);
  static bool Same(const Decoded& decoded, const Tree& tree);
  static size_t Size(const Message& message) { return message.size(); }
};

// The floor: one copy of the codec's message into a fresh buffer, which is
// the least any library that hands out owning data can do.
struct MemcpyLibrary {
  static constexpr char kName[] = "memcpy";
  struct Buffer {
    std::unique_ptr<uint8_t[]> bytes;
    size_t size = 0;
  };
  using Tree = std::vector<uint8_t>;
  using Message = Buffer;
  using Decoded = Buffer;

  static Tree Prepare(const Workload& workload);
  static Message Encode(const Tree& tree);
  static Decoded Decode(const Message& message);
  static bool Same(const Decoded& decoded, const Tree& tree);
  static size_t Size(const Message& message) { return message.size; }
};

// A fresh uninitialised buffer holding a copy of `size` bytes at `data`.
MemcpyLibrary::Buffer CopyToFreshBuffer(const uint8_t* data, size_t size);

// The channel codec's encoding of a single value, and the value read back.
std::vector<uint8_t> EncodeValue(const flutter::EncodableValue& value);
flutter::EncodableValue DecodeValue(const std::vector<uint8_t>& bytes);

}  // namespace kestro::bench

#endif  // KESTRO_BENCH_LIBRARIES_H_
