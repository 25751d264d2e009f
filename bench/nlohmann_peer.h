// nlohmann-json's MessagePack support as a peer of the channel codec: the
// channel value as a json document, which to_msgpack and from_msgpack carry.

#ifndef KESTRO_BENCH_NLOHMANN_PEER_H_
#define KESTRO_BENCH_NLOHMANN_PEER_H_

#include <nlohmann/json.hpp>

#include "codec/encodable_value.h"

namespace kestro::bench {

// `value` as a json document: numbers as numbers, strings as strings, byte
// arrays as binary, typed arrays and lists as arrays, maps as objects. An
// object key must be text, so a key that is not a string is written as its
// own json text. A custom value becomes null.
nlohmann::json ToJson(const flutter::EncodableValue& value);

}  // namespace kestro::bench

#endif  // KESTRO_BENCH_NLOHMANN_PEER_H_
