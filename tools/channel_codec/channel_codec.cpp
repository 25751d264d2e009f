#include "tools/channel_codec/channel_codec.h"

#include <filesystem>
#include <fstream>
#include <optional>
#include <system_error>

#include "codec/byte_buffer_stream_reader.h"
#include "codec/byte_buffer_stream_writer.h"
#include "codec/standard_method_codec.h"
#include "text/hex.h"
#include "value_notation/json_text.h"
#include "value_notation/message_notation.h"
#include "value_notation/value_notation.h"

namespace kestro {
namespace {

using notation::DumpJson;
using notation::ParseJson;

constexpr char kUsage[] =
    "usage: channel-codec decode value|call|reply HEX\n"
    "       channel-codec decode value|call|reply --file PATH\n"
    "       channel-codec encode value|call|reply JSON\n"
    "       channel-codec --help\n";

constexpr char kHelp[] =
    "\n"
    "Shows what a message of a platform channel holds, or makes one. Messages\n"
    "are in the standard message codec; values are shown in the project's JSON\n"
    "value notation (see the README).\n"
    "\n"
    "decode KIND HEX      reads the message written in hex (upper or lower case,\n"
    "                     blanks allowed between bytes) and prints it as one line\n"
    "                     of JSON. --file PATH reads the raw bytes of a file.\n"
    "encode KIND JSON     prints the message as one line of lower-case hex.\n"
    "\n"
    "KIND is one of:\n"
    "  value   one value, e.g. [1, 1.5] or {\"$int64\": 5}\n"
    "  call    a method call: {\"method\": \"openDrawer\", \"arguments\": {...}}\n"
    "          (\"arguments\" may be left out on input, meaning null)\n"
    "  reply   {\"success\": value},\n"
    "          {\"error\": {\"code\": \"..\", \"message\": \"..\", \"details\": value}},\n"
    "          or {\"notImplemented\": true}, which is a reply of zero bytes\n"
    "\n"
    "Examples:\n"
    "  $ channel-codec decode call 070c6c6973745072696e7465727300\n"
    "  {\"arguments\":null,\"method\":\"listPrinters\"}\n"
    "  $ channel-codec encode value '{\"pin\": {\"$int64\": 5}}'\n"
    "  0d01070370696e040500000000000000\n"
    "  $ channel-codec encode reply '{\"success\": true}'\n"
    "  0001\n"
    "\n"
    "The codec's own error lines (a truncated message, an unknown type) go to\n"
    "standard error, as the codec writes them; decoding goes on regardless.\n"
    "\n"
    "Exit status: 0 done; 1 the bytes are not a method call, or not a reply\n"
    "(nothing is printed); 2 bad usage, hex, file, JSON or notation.\n";

enum class Kind { kValue, kCall, kReply };

std::optional<Kind> KindNamed(const std::string& name) {
  if (name == "value") return Kind::kValue;
  if (name == "call") return Kind::kCall;
  if (name == "reply") return Kind::kReply;
  return std::nullopt;
}

int BadInput(std::ostream& err, const std::string& what) {
  err << "channel-codec: " << what << "\n";
  return kChannelCodecBadInput;
}

int BadUsage(std::ostream& err, const std::string& what) {
  err << "channel-codec: " << what << "\n" << kUsage;
  return kChannelCodecBadInput;
}

// The arguments from `first` on, joined by spaces, so that hex or JSON
// given in several words still reads as one.
std::string Joined(const std::vector<std::string>& args, size_t first) {
  std::string text;
  for (size_t i = first; i < args.size(); ++i) {
    if (i > first) text += ' ';
    text += args[i];
  }
  return text;
}

// The whole content of a regular file.
std::optional<std::vector<uint8_t>> ReadFile(const std::string& path) {
  std::error_code error;
  if (!std::filesystem::is_regular_file(path, error)) return std::nullopt;
  std::ifstream file(path, std::ios::binary | std::ios::ate);
  if (!file) return std::nullopt;
  const std::streamoff size = file.tellg();
  if (size < 0) return std::nullopt;
  std::vector<uint8_t> bytes(static_cast<size_t>(size));
  file.seekg(0);
  if (!file.read(reinterpret_cast<char*>(bytes.data()), size)) return std::nullopt;
  return bytes;
}

// The message bytes of a decode command: hex, or the raw bytes of a file.
std::optional<std::vector<uint8_t>> MessageBytes(const std::vector<std::string>& args,
                                                 std::ostream& err) {
  if (args.size() >= 3 && args[2] == "--file") {
    if (args.size() != 4) {
      BadUsage(err, "--file takes one path");
      return std::nullopt;
    }
    std::optional<std::vector<uint8_t>> bytes = ReadFile(args[3]);
    if (!bytes) BadInput(err, "cannot read " + args[3]);
    return bytes;
  }
  std::string error;
  std::optional<std::vector<uint8_t>> bytes = text::ParseHex(Joined(args, 2), &error);
  if (!bytes) BadInput(err, error);
  return bytes;
}

int Decode(Kind kind, const std::vector<uint8_t>& bytes, std::ostream& out) {
  const flutter::StandardMethodCodec& codec = flutter::CodecForSerializer();
  std::optional<nlohmann::json> json;
  if (kind == Kind::kValue) {
    flutter::ByteBufferStreamReader reader(bytes.data(), bytes.size());
    json = notation::ValueToJson(flutter::SharedSerializer().ReadNextValue(&reader));
  } else if (kind == Kind::kCall) {
    const std::unique_ptr<flutter::MethodCall> call = codec.DecodeCall(bytes.data(), bytes.size());
    if (call) json = notation::CallToJson(*call);
  } else {
    const std::optional<notation::Reply> reply =
        notation::DecodeReply(bytes.data(), bytes.size(), codec);
    if (reply) json = notation::ReplyToJson(*reply);
  }
  // Decoded values hold no custom values, so only a non-message gets here.
  if (!json) return kChannelCodecNotAMessage;
  out << DumpJson(*json) << "\n";
  return kChannelCodecDone;
}

// The message that `json` denotes, or none after `*error` says why.
std::optional<std::vector<uint8_t>> EncodedMessage(Kind kind, const nlohmann::json& json,
                                                   std::string* error) {
  const flutter::StandardMethodCodec& codec = flutter::CodecForSerializer();
  if (kind == Kind::kValue) {
    std::optional<flutter::EncodableValue> value = notation::ValueFromJson(json, error);
    if (!value) return std::nullopt;
    std::vector<uint8_t> bytes;
    flutter::ByteBufferStreamWriter writer(&bytes);
    flutter::SharedSerializer().WriteValue(*value, &writer);
    return bytes;
  }
  if (kind == Kind::kCall) {
    const std::unique_ptr<flutter::MethodCall> call = notation::CallFromJson(json, error);
    if (!call) return std::nullopt;
    return codec.EncodeCall(*call);
  }
  std::optional<notation::Reply> reply = notation::ReplyFromJson(json, error);
  if (!reply) return std::nullopt;
  return notation::EncodeReply(*reply, codec);
}

int Encode(Kind kind, const std::string& text, std::ostream& out, std::ostream& err) {
  std::string error;
  const std::optional<nlohmann::json> json = ParseJson(text, &error);
  if (!json) return BadInput(err, "bad JSON: " + error);
  const std::optional<std::vector<uint8_t>> bytes = EncodedMessage(kind, *json, &error);
  if (!bytes) return BadInput(err, "bad notation: " + error);
  out << text::ToHex(*bytes) << "\n";
  return kChannelCodecDone;
}

}  // namespace

int RunChannelCodec(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) {
    out << kUsage << kHelp;
    return kChannelCodecDone;
  }
  if (args.size() < 2) return BadUsage(err, "missing arguments");
  const bool decode = args[0] == "decode";
  if (!decode && args[0] != "encode") return BadUsage(err, "unknown command " + args[0]);
  const std::optional<Kind> kind = KindNamed(args[1]);
  if (!kind) return BadUsage(err, "unknown kind " + args[1] + " (value, call or reply)");
  if (!decode) {
    if (args.size() < 3) return BadUsage(err, "encode needs the JSON of the message");
    return Encode(*kind, Joined(args, 2), out, err);
  }
  const std::optional<std::vector<uint8_t>> bytes = MessageBytes(args, err);
  if (!bytes) return kChannelCodecBadInput;
  return Decode(*kind, *bytes, out);
}

}  // namespace kestro
