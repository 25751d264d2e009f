// The channel-codec developer tool: shows what a channel message holds, in
// the JSON value notation, and encodes messages from that notation.

#ifndef KESTRO_TOOLS_CHANNEL_CODEC_CHANNEL_CODEC_H_
#define KESTRO_TOOLS_CHANNEL_CODEC_CHANNEL_CODEC_H_

#include <ostream>
#include <string>
#include <vector>

namespace kestro {

// Exit codes of the tool.
enum ChannelCodecExit : int {
  kChannelCodecDone = 0,
  // The bytes are not a method call, or not a reply.
  kChannelCodecNotAMessage = 1,
  // Bad usage, hex, file, JSON or notation.
  kChannelCodecBadInput = 2,
};

// Runs the tool on `args` (without the program name). Results go to `out`,
// the tool's own messages to `err`; the codec's error lines go to the
// process's standard error stream, as the codec writes them.
int RunChannelCodec(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace kestro

#endif  // KESTRO_TOOLS_CHANNEL_CODEC_CHANNEL_CODEC_H_
