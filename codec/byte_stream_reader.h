// The source the standard serializer reads a message from.
//
// The serializer reads through this interface so that it does not depend on
// where the bytes live. Every read tests its bounds and none fails hard: a
// read past the end reports one line on the standard error stream and yields
// zero, or leaves the destination untouched, and decoding goes on.

#ifndef KESTRO_CODEC_BYTE_STREAM_READER_H_
#define KESTRO_CODEC_BYTE_STREAM_READER_H_

#include <cstdint>
#include <limits>

namespace flutter {

class ByteStreamReader {
 public:
  // Returned by RemainingBytes() when the reader cannot tell.
  static constexpr uint64_t kUnknownRemaining = std::numeric_limits<uint64_t>::max();

  virtual ~ByteStreamReader() = default;

  // The next byte, or 0 (after an error line) when none is left.
  virtual uint8_t ReadOneByte() = 0;

  // Copies the next `count` bytes to `destination` and moves past them. When
  // fewer than `count` remain, reports an error line and copies nothing.
  // REQUIRES: `destination` has room for `count` bytes whenever the read can
  // succeed, that is whenever `count` <= RemainingBytes().
  virtual void ReadRawBytes(uint8_t* destination, uint64_t count) = 0;

  // Moves forward to the next offset, counted from the first byte of the
  // message, that is a multiple of `alignment`. May move past the end.
  virtual void SkipToAlignment(uint8_t alignment) = 0;

  // How many bytes are left to read, or kUnknownRemaining. The serializer
  // uses it to bound the memory and time spent on announced lengths that the
  // message cannot hold. A reader that answers a number promises that a read
  // of more bytes than that fails without touching its destination.
  virtual uint64_t RemainingBytes() const { return kUnknownRemaining; }

  // Moves past the next `count` bytes and returns where they lie, valid as
  // long as the message is, so that they can be copied once, straight into
  // their destination. Returns null, reporting nothing and moving nowhere,
  // when fewer than `count` remain or the reader cannot lend its bytes (the
  // default); the caller then uses ReadRawBytes. A reader that lends must do
  // so exactly when ReadRawBytes would succeed.
  virtual const uint8_t* ReadRawBytesInPlace(uint64_t count) {
    (void)count;
    return nullptr;
  }
};

}  // namespace flutter

#endif  // KESTRO_CODEC_BYTE_STREAM_READER_H_
