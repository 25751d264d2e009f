#include "codec/standard_codec_serializer.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <optional>
#include <string>
#include <type_traits>
#include <typeinfo>
#include <utility>
#include <vector>

#include "codec/byte_buffer_stream_reader.h"
#include "codec/byte_buffer_stream_writer.h"
#include "codec/stderr_line.h"

// Fixed-width numbers are copied as they lie in memory; the wire format is
// little-endian, as is every machine the project builds for.
static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__, "the codec needs a little-endian host");

namespace flutter {
namespace {

enum Tag : uint8_t {
  kTagNull = 0,
  kTagTrue = 1,
  kTagFalse = 2,
  kTagInt32 = 3,
  kTagInt64 = 4,
  kTagLegacyString = 5,
  kTagDouble = 6,
  kTagString = 7,
  kTagByteArray = 8,
  kTagInt32Array = 9,
  kTagInt64Array = 10,
  kTagFloat64Array = 11,
  kTagList = 12,
  kTagMap = 13,
  kTagFloat32Array = 14,
};

constexpr uint64_t kMaxLength = 0xFFFFFFFF;
constexpr uint8_t kNoAlignment = 0;

// What the reads of one decode share. A decode is the outermost list or map
// read on a thread: it begins when this thread enters a list or map while it
// is inside none, and ends when that one returns. Kept per thread, so the
// serializer itself stays stateless and shareable.
struct DecodeState {
  // How many lists and maps the current read is inside of.
  int depth = 0;
  // List elements the decode may still reserve room for.
  uint64_t reservable = 0;
  // Whether a string or array of the decode has already been cut short.
  bool sequence_cut = false;
};
thread_local DecodeState decode;

// How many lists and maps this thread is inside of while writing.
thread_local int write_depth = 0;

class NestingGuard {
 public:
  explicit NestingGuard(int* depth) : depth_(depth) { ++*depth_; }
  ~NestingGuard() { --*depth_; }
  NestingGuard(const NestingGuard&) = delete;
  NestingGuard& operator=(const NestingGuard&) = delete;

 private:
  int* depth_;
};

// Starts from zero, so that a failed read yields 0.
template <typename T, typename Source>
T ReadFixed(Source* reader) {
  uint8_t bytes[sizeof(T)] = {};
  reader->ReadRawBytes(bytes, sizeof(T));
  T number;
  std::memcpy(&number, bytes, sizeof(T));
  return number;
}

template <typename Source>
bool AtEnd(const Source* reader) {
  return reader->RemainingBytes() == 0;
}

// The number of elements to make room for when `count` of `element_size`
// bytes are announced and `remaining` bytes are left: all of them when they
// can be there, else as many as could be there plus kMaxMissingElements.
uint64_t BoundedCount(uint64_t count, uint64_t element_size, uint64_t remaining) {
  if (remaining == ByteStreamReader::kUnknownRemaining) return count;
  const uint64_t present = remaining / element_size;
  if (count <= present) return count;
  return std::min(count, present + StandardCodecSerializer::kMaxMissingElements);
}

// What a decode of n bytes holds at once, with S the size of one value, as
// StandardCodecSerializer::MaxDecodeAllocation adds it up:
// - list room reserved: at most n slots in all, since `reservable` starts at
//   the bytes left when the decode begins;
// - lists denied room grow by doubling: at most twice their elements, and
//   while one grows, its old storage too: 3 slots per element. Each element
//   took at least its tag byte, or was read at the end of the message, which
//   at most kMaxMissingElements elements of each of the at most
//   kMaxNestingDepth lists or maps open there are. A map entry (two elements,
//   one node of 2S + 32 bytes) costs less per element;
// - strings and arrays: one read whole holds its bytes and a terminator, at
//   most 1 per byte; the first one cut short at most n + 16 * 8 + 1 bytes;
//   each later one at most 129 bytes for its 2 or more bytes of tag and
//   length, so 65 per byte;
// - error lines, one at a time, and the first cut one's 129: within 4 KiB.
// So (S + 3S + 67) n + 3S * 16 * 512 + 4096.

// One list or map being read. The outermost one begins a decode: the decode
// may reserve as many list elements in all as bytes remain, which is as many
// as an honest message can hold since each element takes at least its tag
// byte, and its error lines are capped until it ends.
class ReadScope {
 public:
  explicit ReadScope(uint64_t remaining) {
    if (decode.depth++ > 0) return;
    decode.reservable = remaining;
    decode.sequence_cut = false;
    line_limit_.emplace(StandardCodecSerializer::kMaxDecodeErrorLines,
                        "StandardCodecSerializer::ReadValueOfType");
  }
  ~ReadScope() { --decode.depth; }
  ReadScope(const ReadScope&) = delete;
  ReadScope& operator=(const ReadScope&) = delete;

 private:
  std::optional<StderrLineLimit> line_limit_;
};

// Room for a list of `count` elements with `remaining` bytes left, taken from
// what the decode may still reserve. A list denied room grows as it reads.
uint64_t TakeListReservation(uint64_t count, uint64_t remaining) {
  const uint64_t room = std::min(BoundedCount(count, 1, remaining), decode.reservable);
  decode.reservable -= room;
  return room;
}

// The length of a string or array of `count` elements: BoundedCount, except
// that after the first one cut short in a decode, every later one is capped
// as if no bytes remained. Each cut one fails to read and moves nowhere, so
// without this a run of them would each hold the rest of the message.
uint64_t SequenceLength(uint64_t count, uint64_t element_size, uint64_t remaining) {
  if (remaining == ByteStreamReader::kUnknownRemaining || count <= remaining / element_size) {
    return count;
  }
  const bool earlier_cut = decode.depth > 0 && decode.sequence_cut;
  decode.sequence_cut = true;
  return BoundedCount(count, element_size, earlier_cut ? 0 : remaining);
}

// The `count` elements whose little-endian bytes lie at `block`. Aligned
// elements are copied as one range, without zeroing the result first.
template <typename Sequence>
Sequence SequenceFromBlock(const uint8_t* block, uint64_t count) {
  using Element = typename Sequence::value_type;
  if (reinterpret_cast<uintptr_t>(block) % alignof(Element) == 0) {
    const auto* first = reinterpret_cast<const Element*>(block);
    return Sequence(first, first + count);
  }
  Sequence sequence(count, Element{});
  if (count > 0) std::memcpy(&sequence[0], block, count * sizeof(Element));
  return sequence;
}

EncodableValue ReportTooDeep(const char* operation) {
  WriteStderrLine(std::string("Nesting deeper than ") +
                  std::to_string(StandardCodecSerializer::kMaxNestingDepth) +
                  " in StandardCodecSerializer::" + operation + "; taken as null");
  return EncodableValue();
}

void ReportTooLong() {
  WriteStderrLine(
      "Length above 4294967295 in StandardCodecSerializer::WriteValue; written as null");
}

// Hands every byte to the writer through its virtual operations, so that a
// derived writer observes each call, in the order it has always seen them.
class VirtualSink {
 public:
  explicit VirtualSink(ByteStreamWriter* writer) : writer_(writer) {}
  void OneByte(uint8_t byte) { writer_->WriteOneByte(byte); }
  void Raw(const uint8_t* source, uint64_t count) { writer_->WriteRawBytes(source, count); }
  void Align(uint8_t alignment) { writer_->FillToAlignment(alignment); }
  ByteStreamWriter* writer() const { return writer_; }

 private:
  ByteStreamWriter* writer_;
};

// Appends to the vector of a ByteBufferStreamWriter exactly as that writer
// would, but inline: the same bytes, the same growth of the vector.
class VectorSink {
 public:
  explicit VectorSink(std::vector<uint8_t>* output) : output_(output) {}
  void OneByte(uint8_t byte) { output_->push_back(byte); }
  void Raw(const uint8_t* source, uint64_t count) {
    output_->insert(output_->end(), source, source + count);
  }
  void Align(uint8_t alignment) {
    const uint64_t remainder = output_->size() % alignment;
    if (remainder != 0) output_->resize(output_->size() + (alignment - remainder), 0);
  }

 private:
  std::vector<uint8_t>* output_;
};

// Writes values to one sink. Through a VirtualSink, nested values go back
// through the serializer's virtual WriteValue, so that a derived serializer
// writes its own types wherever they sit; a VectorSink is only used by the
// standard serializer itself, which writes nested values directly.
template <typename Sink>
class Encoder {
 public:
  Encoder(const StandardCodecSerializer& serializer, Sink sink)
      : serializer_(serializer), sink_(sink) {}

  void Value(const EncodableValue& value);
  void Length(uint64_t length);

 private:
  template <typename T>
  void Fixed(T number) {
    uint8_t bytes[sizeof(T)];
    std::memcpy(bytes, &number, sizeof(T));
    sink_.Raw(bytes, sizeof(T));
  }
  template <typename Sequence>
  void WriteSequence(uint8_t tag, const Sequence& sequence, uint8_t alignment);
  void List(const ValueList& list);
  void Map(const ValueMap& map);
  bool EnterNested();
  void Nested(const EncodableValue& value) {
    if constexpr (std::is_same_v<Sink, VirtualSink>) {
      serializer_.WriteValue(value, sink_.writer());
    } else {
      Value(value);
    }
  }

  const StandardCodecSerializer& serializer_;
  Sink sink_;
};

template <typename Sink>
void Encoder<Sink>::Value(const EncodableValue& value) {
  switch (value.kind()) {
    case ValueKind::kNull:
      sink_.OneByte(kTagNull);
      return;
    case ValueKind::kBool:
      sink_.OneByte(value.Get<bool>() ? kTagTrue : kTagFalse);
      return;
    case ValueKind::kInt32:
      sink_.OneByte(kTagInt32);
      Fixed(value.Get<int32_t>());
      return;
    case ValueKind::kInt64:
      sink_.OneByte(kTagInt64);
      Fixed(value.Get<int64_t>());
      return;
    case ValueKind::kDouble:
      sink_.OneByte(kTagDouble);
      sink_.Align(8);
      Fixed(value.Get<double>());
      return;
    case ValueKind::kString:
      WriteSequence(kTagString, value.Get<std::string>(), kNoAlignment);
      return;
    case ValueKind::kByteArray:
      WriteSequence(kTagByteArray, value.Get<ByteArray>(), kNoAlignment);
      return;
    case ValueKind::kInt32Array:
      WriteSequence(kTagInt32Array, value.Get<Int32Array>(), 4);
      return;
    case ValueKind::kInt64Array:
      WriteSequence(kTagInt64Array, value.Get<Int64Array>(), 8);
      return;
    case ValueKind::kFloat64Array:
      WriteSequence(kTagFloat64Array, value.Get<Float64Array>(), 8);
      return;
    case ValueKind::kFloat32Array:
      WriteSequence(kTagFloat32Array, value.Get<Float32Array>(), 4);
      return;
    case ValueKind::kList:
      List(value.Get<ValueList>());
      return;
    case ValueKind::kMap:
      Map(value.Get<ValueMap>());
      return;
    case ValueKind::kCustom:
      sink_.OneByte(kTagNull);
      WriteStderrLine(
          "Unhandled custom type in StandardCodecSerializer::WriteValue. "
          "Custom types require codec extensions.");
      return;
  }
}

// Strings, byte arrays and typed arrays: the count, the alignment when the
// elements have one, then every element in one block. An empty typed array
// is aligned too, just as the reader always skips to alignment.
template <typename Sink>
template <typename Sequence>
void Encoder<Sink>::WriteSequence(uint8_t tag, const Sequence& sequence, uint8_t alignment) {
  if (sequence.size() > kMaxLength) {
    ReportTooLong();
    sink_.OneByte(kTagNull);
    return;
  }
  sink_.OneByte(tag);
  Length(sequence.size());
  if (alignment != kNoAlignment) sink_.Align(alignment);
  if (sequence.empty()) return;
  sink_.Raw(reinterpret_cast<const uint8_t*>(sequence.data()),
            sequence.size() * sizeof(sequence[0]));
}

// Whether one more list or map may be written; if not, writes null with an
// error line in its place.
template <typename Sink>
bool Encoder<Sink>::EnterNested() {
  if (write_depth < StandardCodecSerializer::kMaxNestingDepth) return true;
  ReportTooDeep("WriteValue");
  sink_.OneByte(kTagNull);
  return false;
}

template <typename Sink>
void Encoder<Sink>::List(const ValueList& list) {
  if (!EnterNested()) return;
  NestingGuard guard(&write_depth);
  sink_.OneByte(kTagList);
  Length(list.size());
  for (const EncodableValue& element : list) Nested(element);
}

template <typename Sink>
void Encoder<Sink>::Map(const ValueMap& map) {
  if (!EnterNested()) return;
  NestingGuard guard(&write_depth);
  sink_.OneByte(kTagMap);
  Length(map.size());
  for (const auto& [key, mapped] : map) {
    Nested(key);
    Nested(mapped);
  }
}

template <typename Sink>
void Encoder<Sink>::Length(uint64_t length) {
  if (length < 254) {
    sink_.OneByte(static_cast<uint8_t>(length));
  } else if (length <= 0xFFFF) {
    sink_.OneByte(254);
    Fixed(static_cast<uint16_t>(length));
  } else {
    if (length > kMaxLength) {
      WriteStderrLine("Length above 4294967295 in StandardCodecSerializer::WriteLength");
      length = kMaxLength;
    }
    sink_.OneByte(255);
    Fixed(static_cast<uint32_t>(length));
  }
}

// Reads through the reader's virtual operations.
class VirtualSource {
 public:
  explicit VirtualSource(ByteStreamReader* reader) : reader_(reader) {}
  uint8_t ReadOneByte() { return reader_->ReadOneByte(); }
  void ReadRawBytes(uint8_t* destination, uint64_t count) {
    reader_->ReadRawBytes(destination, count);
  }
  void SkipToAlignment(uint8_t alignment) { reader_->SkipToAlignment(alignment); }
  uint64_t RemainingBytes() const { return reader_->RemainingBytes(); }
  const uint8_t* ReadRawBytesInPlace(uint64_t count) { return reader_->ReadRawBytesInPlace(count); }
  ByteStreamReader* reader() const { return reader_; }

 private:
  ByteStreamReader* reader_;
};

// Reads through a ByteBufferStreamReader's own operations, called directly
// and inlined: the same reads, errors and lines as through the virtual ones.
class BufferSource {
 public:
  explicit BufferSource(ByteBufferStreamReader* reader) : reader_(reader) {}
  uint8_t ReadOneByte() { return reader_->ByteBufferStreamReader::ReadOneByte(); }
  void ReadRawBytes(uint8_t* destination, uint64_t count) {
    reader_->ByteBufferStreamReader::ReadRawBytes(destination, count);
  }
  void SkipToAlignment(uint8_t alignment) {
    reader_->ByteBufferStreamReader::SkipToAlignment(alignment);
  }
  uint64_t RemainingBytes() const { return reader_->ByteBufferStreamReader::RemainingBytes(); }
  const uint8_t* ReadRawBytesInPlace(uint64_t count) {
    return reader_->ByteBufferStreamReader::ReadRawBytesInPlace(count);
  }

 private:
  ByteBufferStreamReader* reader_;
};

// Reads values from one source. Through a VirtualSource, nested values go
// back through the serializer's virtual ReadValueOfType, so that a derived
// serializer reads its own types wherever they sit; a BufferSource is only
// used by the standard serializer itself, which reads nested values directly.
template <typename Source>
class Decoder {
 public:
  Decoder(const StandardCodecSerializer& serializer, Source source)
      : serializer_(serializer), source_(source) {}

  EncodableValue ValueOfType(uint8_t type);
  uint64_t Length();

 private:
  template <typename Sequence>
  Sequence ReadSequence(uint8_t alignment);
  EncodableValue List();
  EncodableValue Map();
  EncodableValue Next() {
    if constexpr (std::is_same_v<Source, VirtualSource>) {
      return serializer_.ReadNextValue(source_.reader());
    } else {
      return ValueOfType(source_.ReadOneByte());
    }
  }

  const StandardCodecSerializer& serializer_;
  Source source_;
};

template <typename Source>
uint64_t Decoder<Source>::Length() {
  const uint8_t first = source_.ReadOneByte();
  if (first < 254) return first;
  if (first == 254) return ReadFixed<uint16_t>(&source_);
  return ReadFixed<uint32_t>(&source_);
}

template <typename Source>
EncodableValue Decoder<Source>::ValueOfType(uint8_t type) {
  switch (type) {
    case kTagNull:
      return EncodableValue();
    case kTagTrue:
      return EncodableValue(true);
    case kTagFalse:
      return EncodableValue(false);
    case kTagInt32:
      return EncodableValue(ReadFixed<int32_t>(&source_));
    case kTagInt64:
      return EncodableValue(ReadFixed<int64_t>(&source_));
    case kTagDouble:
      source_.SkipToAlignment(8);
      return EncodableValue(ReadFixed<double>(&source_));
    case kTagLegacyString:
    case kTagString:
      return EncodableValue(ReadSequence<std::string>(kNoAlignment));
    case kTagByteArray:
      return EncodableValue(ReadSequence<ByteArray>(kNoAlignment));
    case kTagInt32Array:
      return EncodableValue(ReadSequence<Int32Array>(4));
    case kTagInt64Array:
      return EncodableValue(ReadSequence<Int64Array>(8));
    case kTagFloat64Array:
      return EncodableValue(ReadSequence<Float64Array>(8));
    case kTagFloat32Array:
      return EncodableValue(ReadSequence<Float32Array>(4));
    case kTagList:
      return List();
    case kTagMap:
      return Map();
    default:
      WriteStderrLine("Unknown type in StandardCodecSerializer::ReadValueOfType: " +
                      std::to_string(type));
      return EncodableValue();
  }
}

// The elements arrive as one block, copied once into the result: straight
// from the message when the reader lends its bytes and they are aligned for
// the element type, else into a zeroed result with one ReadRawBytes. When the
// message cannot hold them, that read fails and the result is zeros, of the
// announced length capped as SequenceLength says.
template <typename Source>
template <typename Sequence>
Sequence Decoder<Source>::ReadSequence(uint8_t alignment) {
  using Element = typename Sequence::value_type;
  const uint64_t count = Length();
  if (alignment != kNoAlignment) source_.SkipToAlignment(alignment);
  const uint64_t byte_count = count * sizeof(Element);
  if (const uint8_t* block = source_.ReadRawBytesInPlace(byte_count)) {
    return SequenceFromBlock<Sequence>(block, count);
  }
  Sequence sequence(SequenceLength(count, sizeof(Element), source_.RemainingBytes()), Element{});
  source_.ReadRawBytes(reinterpret_cast<uint8_t*>(sequence.data()), byte_count);
  return sequence;
}

template <typename Source>
EncodableValue Decoder<Source>::List() {
  if (decode.depth >= StandardCodecSerializer::kMaxNestingDepth) {
    return ReportTooDeep("ReadValueOfType");
  }
  ReadScope scope(source_.RemainingBytes());
  const uint64_t count = Length();
  ValueList list;
  list.reserve(TakeListReservation(count, source_.RemainingBytes()));
  uint64_t missing = 0;
  for (uint64_t i = 0; i < count; ++i) {
    if (AtEnd(&source_) && ++missing > StandardCodecSerializer::kMaxMissingElements) break;
    list.push_back(Next());
  }
  return EncodableValue(std::move(list));
}

// An entry whose key is already present is dropped: the first one read stays.
template <typename Source>
EncodableValue Decoder<Source>::Map() {
  if (decode.depth >= StandardCodecSerializer::kMaxNestingDepth) {
    return ReportTooDeep("ReadValueOfType");
  }
  ReadScope scope(source_.RemainingBytes());
  const uint64_t count = Length();
  ValueMap map;
  uint64_t missing = 0;
  for (uint64_t i = 0; i < count; ++i) {
    if (AtEnd(&source_) && ++missing > StandardCodecSerializer::kMaxMissingElements) break;
    EncodableValue key = Next();
    EncodableValue mapped = Next();
    // Writers put the keys in ascending order, so each one usually goes
    // last, found with one comparison; any other key is searched for.
    map.emplace_hint(map.end(), std::move(key), std::move(mapped));
  }
  return EncodableValue(std::move(map));
}

}  // namespace

// The standard serializer writing to a ByteBufferStreamWriter (not a class
// derived from either, which may observe or replace calls) appends straight to
// the writer's vector, one check per value written from outside; the bytes and
// the growth of the vector are those of the writer's own operations.
void StandardCodecSerializer::WriteValue(const EncodableValue& value,
                                         ByteStreamWriter* writer) const {
  if (typeid(*this) == typeid(StandardCodecSerializer) &&
      typeid(*writer) == typeid(ByteBufferStreamWriter)) {
    auto* buffer_writer = static_cast<ByteBufferStreamWriter*>(writer);
    Encoder<VectorSink>(*this, VectorSink(buffer_writer->Buffer())).Value(value);
    return;
  }
  Encoder<VirtualSink>(*this, VirtualSink(writer)).Value(value);
}

void StandardCodecSerializer::WriteLength(uint64_t length, ByteStreamWriter* writer) const {
  Encoder<VirtualSink>(*this, VirtualSink(writer)).Length(length);
}

EncodableValue StandardCodecSerializer::ReadNextValue(ByteStreamReader* reader) const {
  const uint8_t type = reader->ReadOneByte();
  return ReadValueOfType(type, reader);
}

uint64_t StandardCodecSerializer::ReadLength(ByteStreamReader* reader) const {
  return Decoder<VirtualSource>(*this, VirtualSource(reader)).Length();
}

// As in WriteValue: the standard serializer reading from a
// ByteBufferStreamReader (neither derived) calls the reader directly.
EncodableValue StandardCodecSerializer::ReadValueOfType(uint8_t type,
                                                        ByteStreamReader* reader) const {
  if (typeid(*this) == typeid(StandardCodecSerializer) &&
      typeid(*reader) == typeid(ByteBufferStreamReader)) {
    auto* buffer_reader = static_cast<ByteBufferStreamReader*>(reader);
    return Decoder<BufferSource>(*this, BufferSource(buffer_reader)).ValueOfType(type);
  }
  return Decoder<VirtualSource>(*this, VirtualSource(reader)).ValueOfType(type);
}

const StandardCodecSerializer& SharedSerializer() {
  static const StandardCodecSerializer shared{};
  return shared;
}

}  // namespace flutter
