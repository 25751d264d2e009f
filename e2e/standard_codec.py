"""The standard message codec's byte format, written again in Python so that
the end-to-end tests check the host's bytes against an independent reading
rather than against the host's own codec."""

import struct

NULL, TRUE, FALSE, INT32, INT64, DOUBLE, STRING = 0, 1, 2, 3, 4, 6, 7
BYTES, INT32S, INT64S, FLOAT64S, LIST, MAP, FLOAT32S = 8, 9, 10, 11, 12, 13, 14


class Int64(int):
    """An integer that travels as a 64-bit integer even when it is small."""


class DecodeError(Exception):
    pass


class _Reader:
    def __init__(self, data):
        self.data = bytes(data)
        self.at = 0

    def take(self, count):
        if self.at + count > len(self.data):
            raise DecodeError(f"{count} bytes wanted at offset {self.at}, message is "
                              f"{len(self.data)} bytes")
        chunk = self.data[self.at:self.at + count]
        self.at += count
        return chunk

    def align(self, size):
        self.at += (-self.at) % size

    def length(self):
        first = self.take(1)[0]
        if first < 254:
            return first
        if first == 254:
            return struct.unpack("<H", self.take(2))[0]
        return struct.unpack("<I", self.take(4))[0]

    def value(self):
        tag = self.take(1)[0]
        if tag == NULL:
            return None
        if tag in (TRUE, FALSE):
            return tag == TRUE
        if tag == INT32:
            return struct.unpack("<i", self.take(4))[0]
        if tag == INT64:
            return Int64(struct.unpack("<q", self.take(8))[0])
        if tag == DOUBLE:
            self.align(8)
            return struct.unpack("<d", self.take(8))[0]
        if tag == STRING:
            return self.take(self.length()).decode("utf-8")
        if tag == BYTES:
            return bytes(self.take(self.length()))
        if tag == LIST:
            return [self.value() for _ in range(self.length())]
        if tag == MAP:
            count = self.length()
            pairs = [(self.value(), self.value()) for _ in range(count)]
            return dict(pairs)
        raise DecodeError(f"tag {tag} is not used on this channel")


def decode_value(data):
    """The one value held by `data`; every byte must be used."""
    reader = _Reader(data)
    value = reader.value()
    if reader.at != len(reader.data):
        raise DecodeError(f"{len(reader.data) - reader.at} bytes after the value")
    return value


def decode_reply(data):
    """("notImplemented",), ("success", value) or ("error", code, message,
    details) for a method-call reply."""
    if len(data) == 0:
        return ("notImplemented",)
    reader = _Reader(data)
    envelope = reader.take(1)[0]
    if envelope == 0:
        result = ("success", reader.value())
    elif envelope == 1:
        result = ("error", reader.value(), reader.value(), reader.value())
    else:
        raise DecodeError(f"envelope {envelope}")
    if reader.at != len(reader.data):
        raise DecodeError(f"{len(reader.data) - reader.at} bytes after the reply")
    return result


def _length(count):
    if count < 254:
        return bytes([count])
    if count <= 0xFFFF:
        return b"\xfe" + struct.pack("<H", count)
    return b"\xff" + struct.pack("<I", count)


def encode_value(value):
    """Null, bools, integers (Int64 for 64-bit), strings, lists and maps whose
    keys are all strings, which the channel's replies are made of."""
    if value is None:
        return bytes([NULL])
    if isinstance(value, bool):
        return bytes([TRUE if value else FALSE])
    if isinstance(value, Int64):
        return bytes([INT64]) + struct.pack("<q", value)
    if isinstance(value, int):
        return bytes([INT32]) + struct.pack("<i", value)
    if isinstance(value, str):
        text = value.encode("utf-8")
        return bytes([STRING]) + _length(len(text)) + text
    if isinstance(value, list):
        return bytes([LIST]) + _length(len(value)) + b"".join(encode_value(v) for v in value)
    if isinstance(value, dict):
        # String keys order by their bytes, as the host's map orders them.
        keys = sorted(value, key=lambda k: k.encode("utf-8"))
        return bytes([MAP]) + _length(len(keys)) + b"".join(
            encode_value(k) + encode_value(value[k]) for k in keys)
    raise TypeError(f"cannot encode {value!r}")


def encode_error_reply(code, message, details=None):
    return b"\x01" + encode_value(code) + encode_value(message or None) + encode_value(details)


def encode_success_reply(value):
    return b"\x00" + encode_value(value)
