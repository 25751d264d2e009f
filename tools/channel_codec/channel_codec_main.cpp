// Entry point of the channel-codec tool; see channel_codec.h.

#include <iostream>
#include <string>
#include <vector>

#include "tools/channel_codec/channel_codec.h"

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  return kestro::RunChannelCodec(args, std::cout, std::cerr);
}
