#include "codec/standard_codec_serializer.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <optional>
#include <string>
#include <utility>

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

template <typename T>
void WriteFixed(T number, ByteStreamWriter* writer) {
  uint8_t bytes[sizeof(T)];
  std::memcpy(bytes, &number, sizeof(T));
  writer->WriteRawBytes(bytes, sizeof(T));
}

// Starts from zero, so that a failed read yields 0.
template <typename T>
T ReadFixed(ByteStreamReader* reader) {
  uint8_t bytes[sizeof(T)] = {};
  reader->ReadRawBytes(bytes, sizeof(T));
  T number;
  std::memcpy(&number, bytes, sizeof(T));
  return number;
}

bool AtEnd(const ByteStreamReader* reader) { return reader->RemainingBytes() == 0; }

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
  explicit ReadScope(const ByteStreamReader* reader) {
    if (decode.depth++ > 0) return;
    decode.reservable = reader->RemainingBytes();
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

}  // namespace

void StandardCodecSerializer::WriteValue(const EncodableValue& value,
                                         ByteStreamWriter* writer) const {
  switch (value.kind()) {
    case ValueKind::kNull:
      writer->WriteOneByte(kTagNull);
      return;
    case ValueKind::kBool:
      writer->WriteOneByte(value.Get<bool>() ? kTagTrue : kTagFalse);
      return;
    case ValueKind::kInt32:
      writer->WriteOneByte(kTagInt32);
      WriteFixed(value.Get<int32_t>(), writer);
      return;
    case ValueKind::kInt64:
      writer->WriteOneByte(kTagInt64);
      WriteFixed(value.Get<int64_t>(), writer);
      return;
    case ValueKind::kDouble:
      writer->WriteOneByte(kTagDouble);
      writer->FillToAlignment(8);
      WriteFixed(value.Get<double>(), writer);
      return;
    case ValueKind::kString:
      WriteSequence(kTagString, value.Get<std::string>(), kNoAlignment, writer);
      return;
    case ValueKind::kByteArray:
      WriteSequence(kTagByteArray, value.Get<ByteArray>(), kNoAlignment, writer);
      return;
    case ValueKind::kInt32Array:
      WriteSequence(kTagInt32Array, value.Get<Int32Array>(), 4, writer);
      return;
    case ValueKind::kInt64Array:
      WriteSequence(kTagInt64Array, value.Get<Int64Array>(), 8, writer);
      return;
    case ValueKind::kFloat64Array:
      WriteSequence(kTagFloat64Array, value.Get<Float64Array>(), 8, writer);
      return;
    case ValueKind::kFloat32Array:
      WriteSequence(kTagFloat32Array, value.Get<Float32Array>(), 4, writer);
      return;
    case ValueKind::kList:
      WriteList(value.Get<ValueList>(), writer);
      return;
    case ValueKind::kMap:
      WriteMap(value.Get<ValueMap>(), writer);
      return;
    case ValueKind::kCustom:
      writer->WriteOneByte(kTagNull);
      WriteStderrLine(
          "Unhandled custom type in StandardCodecSerializer::WriteValue. "
          "Custom types require codec extensions.");
      return;
  }
}

// Strings, byte arrays and typed arrays: the count, the alignment when the
// elements have one, then every element in one block. An empty typed array
// is aligned too, just as the reader always skips to alignment.
template <typename Sequence>
void StandardCodecSerializer::WriteSequence(uint8_t tag, const Sequence& sequence,
                                            uint8_t alignment, ByteStreamWriter* writer) const {
  if (sequence.size() > kMaxLength) {
    ReportTooLong();
    writer->WriteOneByte(kTagNull);
    return;
  }
  writer->WriteOneByte(tag);
  WriteLength(sequence.size(), writer);
  if (alignment != kNoAlignment) writer->FillToAlignment(alignment);
  if (sequence.empty()) return;
  writer->WriteRawBytes(reinterpret_cast<const uint8_t*>(sequence.data()),
                        sequence.size() * sizeof(sequence[0]));
}

void StandardCodecSerializer::WriteList(const ValueList& list, ByteStreamWriter* writer) const {
  if (write_depth >= kMaxNestingDepth) {
    ReportTooDeep("WriteValue");
    writer->WriteOneByte(kTagNull);
    return;
  }
  NestingGuard guard(&write_depth);
  writer->WriteOneByte(kTagList);
  WriteLength(list.size(), writer);
  for (const EncodableValue& element : list) WriteValue(element, writer);
}

void StandardCodecSerializer::WriteMap(const ValueMap& map, ByteStreamWriter* writer) const {
  if (write_depth >= kMaxNestingDepth) {
    ReportTooDeep("WriteValue");
    writer->WriteOneByte(kTagNull);
    return;
  }
  NestingGuard guard(&write_depth);
  writer->WriteOneByte(kTagMap);
  WriteLength(map.size(), writer);
  for (const auto& [key, mapped] : map) {
    WriteValue(key, writer);
    WriteValue(mapped, writer);
  }
}

void StandardCodecSerializer::WriteLength(uint64_t length, ByteStreamWriter* writer) const {
  if (length < 254) {
    writer->WriteOneByte(static_cast<uint8_t>(length));
  } else if (length <= 0xFFFF) {
    writer->WriteOneByte(254);
    WriteFixed(static_cast<uint16_t>(length), writer);
  } else {
    if (length > kMaxLength) {
      WriteStderrLine("Length above 4294967295 in StandardCodecSerializer::WriteLength");
      length = kMaxLength;
    }
    writer->WriteOneByte(255);
    WriteFixed(static_cast<uint32_t>(length), writer);
  }
}

EncodableValue StandardCodecSerializer::ReadNextValue(ByteStreamReader* reader) const {
  const uint8_t type = reader->ReadOneByte();
  return ReadValueOfType(type, reader);
}

uint64_t StandardCodecSerializer::ReadLength(ByteStreamReader* reader) const {
  const uint8_t first = reader->ReadOneByte();
  if (first < 254) return first;
  if (first == 254) return ReadFixed<uint16_t>(reader);
  return ReadFixed<uint32_t>(reader);
}

EncodableValue StandardCodecSerializer::ReadValueOfType(uint8_t type,
                                                        ByteStreamReader* reader) const {
  switch (type) {
    case kTagNull:
      return EncodableValue();
    case kTagTrue:
      return EncodableValue(true);
    case kTagFalse:
      return EncodableValue(false);
    case kTagInt32:
      return EncodableValue(ReadFixed<int32_t>(reader));
    case kTagInt64:
      return EncodableValue(ReadFixed<int64_t>(reader));
    case kTagDouble:
      reader->SkipToAlignment(8);
      return EncodableValue(ReadFixed<double>(reader));
    case kTagLegacyString:
    case kTagString:
      return EncodableValue(ReadSequence<std::string>(kNoAlignment, reader));
    case kTagByteArray:
      return EncodableValue(ReadSequence<ByteArray>(kNoAlignment, reader));
    case kTagInt32Array:
      return EncodableValue(ReadSequence<Int32Array>(4, reader));
    case kTagInt64Array:
      return EncodableValue(ReadSequence<Int64Array>(8, reader));
    case kTagFloat64Array:
      return EncodableValue(ReadSequence<Float64Array>(8, reader));
    case kTagFloat32Array:
      return EncodableValue(ReadSequence<Float32Array>(4, reader));
    case kTagList:
      return ReadList(reader);
    case kTagMap:
      return ReadMap(reader);
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
template <typename Sequence>
Sequence StandardCodecSerializer::ReadSequence(uint8_t alignment, ByteStreamReader* reader) const {
  using Element = typename Sequence::value_type;
  const uint64_t count = ReadLength(reader);
  if (alignment != kNoAlignment) reader->SkipToAlignment(alignment);
  const uint64_t byte_count = count * sizeof(Element);
  if (const uint8_t* block = reader->ReadRawBytesInPlace(byte_count)) {
    return SequenceFromBlock<Sequence>(block, count);
  }
  Sequence sequence(SequenceLength(count, sizeof(Element), reader->RemainingBytes()), Element{});
  reader->ReadRawBytes(reinterpret_cast<uint8_t*>(sequence.data()), byte_count);
  return sequence;
}

EncodableValue StandardCodecSerializer::ReadList(ByteStreamReader* reader) const {
  if (decode.depth >= kMaxNestingDepth) return ReportTooDeep("ReadValueOfType");
  ReadScope scope(reader);
  const uint64_t count = ReadLength(reader);
  ValueList list;
  list.reserve(TakeListReservation(count, reader->RemainingBytes()));
  uint64_t missing = 0;
  for (uint64_t i = 0; i < count; ++i) {
    if (AtEnd(reader) && ++missing > kMaxMissingElements) break;
    list.push_back(ReadNextValue(reader));
  }
  return EncodableValue(std::move(list));
}

// An entry whose key is already present is dropped: the first one read stays.
EncodableValue StandardCodecSerializer::ReadMap(ByteStreamReader* reader) const {
  if (decode.depth >= kMaxNestingDepth) return ReportTooDeep("ReadValueOfType");
  ReadScope scope(reader);
  const uint64_t count = ReadLength(reader);
  ValueMap map;
  uint64_t missing = 0;
  for (uint64_t i = 0; i < count; ++i) {
    if (AtEnd(reader) && ++missing > kMaxMissingElements) break;
    EncodableValue key = ReadNextValue(reader);
    EncodableValue mapped = ReadNextValue(reader);
    // Writers put the keys in ascending order, so each one usually goes
    // last, found with one comparison; any other key is searched for.
    map.emplace_hint(map.end(), std::move(key), std::move(mapped));
  }
  return EncodableValue(std::move(map));
}

const StandardCodecSerializer& SharedSerializer() {
  static const StandardCodecSerializer shared{};
  return shared;
}

}  // namespace flutter
