// MessagePack through msgpack-cxx, as a peer of the channel codec: packing a
// channel value, and turning msgpack-cxx's decoded object tree into an owning
// tree of std containers of the same kind as the codec's.

#ifndef KESTRO_BENCH_MSGPACK_PEER_H_
#define KESTRO_BENCH_MSGPACK_PEER_H_

#include <msgpack.hpp>

#include "codec/encodable_value.h"

namespace kestro::bench {

// The MessagePack encoding of `value`. Typed arrays become arrays of their
// numbers, byte arrays binary; a custom value is written as nil. msgpack-cxx
// writes a double that holds a whole number as an integer, so such a double
// reads back as one; the workloads hold none.
msgpack::sbuffer MsgpackPack(const flutter::EncodableValue& value);

// Appends the encoding of `value` to `packer`.
void MsgpackPackValue(const flutter::EncodableValue& value,
                      msgpack::packer<msgpack::sbuffer>* packer);

// The owning tree for a decoded object: arrays become lists, maps maps,
// binary byte arrays; an integer that fits 32 bits becomes a 32-bit integer,
// any other a 64-bit one, and a float a double. Extension objects, which
// the workloads never hold, become null.
flutter::EncodableValue MsgpackToTree(const msgpack::object& object);

}  // namespace kestro::bench

#endif  // KESTRO_BENCH_MSGPACK_PEER_H_
