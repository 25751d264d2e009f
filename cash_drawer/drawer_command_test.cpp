#include "cash_drawer/drawer_command.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

namespace kestro {
namespace {

constexpr int32_t kMin = std::numeric_limits<int32_t>::min();
constexpr int32_t kMax = std::numeric_limits<int32_t>::max();

struct CommandCase {
  const char* label;
  std::string protocol;
  int32_t pin;
  int32_t pulse_on;
  int32_t pulse_off;
  std::vector<uint8_t> bytes;
};

const CommandCase kCommandCases[] = {
    // The worked values with the call defaults.
    {"default", "", 0, 25, 250, {0x1B, 0x70, 0x00, 0x19, 0xFA}},
    {"unknown protocol", "epson", 0, 25, 250, {0x1B, 0x70, 0x00, 0x19, 0xFA}},
    {"ascii drawer 1", "escPosAscii", 0, 25, 250, {0x1B, 0x70, 0x30, 0x19, 0xFA}},
    {"ascii drawer 2", "escPosAscii", 1, 25, 250, {0x1B, 0x70, 0x31, 0x19, 0xFA}},
    {"star device 1", "starPrnt", 0, 25, 250, {0x1B, 0x07, 0x19, 0x7F, 0x07}},
    {"star device 2", "starPrnt", 1, 25, 250, {0x1B, 0x07, 0x19, 0x7F, 0x1A}},
    {"numeric drawer 2", "", 1, 25, 250, {0x1B, 0x70, 0x01, 0x19, 0xFA}},

    // Only pin 1 selects the second output.
    {"numeric pin 2", "", 2, 25, 250, {0x1B, 0x70, 0x00, 0x19, 0xFA}},
    {"numeric pin 5", "", 5, 25, 250, {0x1B, 0x70, 0x00, 0x19, 0xFA}},
    {"numeric pin -1", "", -1, 25, 250, {0x1B, 0x70, 0x00, 0x19, 0xFA}},
    {"ascii pin 2", "escPosAscii", 2, 25, 250, {0x1B, 0x70, 0x30, 0x19, 0xFA}},
    {"star pin -1", "starPrnt", -1, 25, 250, {0x1B, 0x07, 0x19, 0x7F, 0x07}},
    {"star pin 257", "starPrnt", 257, 25, 250, {0x1B, 0x07, 0x19, 0x7F, 0x07}},

    // Protocols are compared whole and case-sensitively.
    {"capital S", "StarPrnt", 0, 25, 250, {0x1B, 0x70, 0x00, 0x19, 0xFA}},
    {"star with blank", "starPrnt ", 0, 25, 250, {0x1B, 0x70, 0x00, 0x19, 0xFA}},
    {"ascii upper case", "ESCPOSASCII", 1, 25, 250, {0x1B, 0x70, 0x01, 0x19, 0xFA}},
    {"ascii leading blank", " escPosAscii", 0, 25, 250, {0x1B, 0x70, 0x00, 0x19, 0xFA}},
    {"star prefix", "star", 0, 25, 250, {0x1B, 0x70, 0x00, 0x19, 0xFA}},
    {"embedded NUL", std::string("starPrnt\0", 9), 0, 25, 250, {0x1B, 0x70, 0x00, 0x19, 0xFA}},

    // ESC/POS clamps to 0..255.
    {"esc on 300", "", 0, 300, 250, {0x1B, 0x70, 0x00, 0xFF, 0xFA}},
    {"esc on -5", "", 0, -5, 250, {0x1B, 0x70, 0x00, 0x00, 0xFA}},
    {"esc bounds kept", "", 0, 0, 255, {0x1B, 0x70, 0x00, 0x00, 0xFF}},
    {"esc off 256", "escPosAscii", 0, 1, 256, {0x1B, 0x70, 0x30, 0x01, 0xFF}},
    {"esc off -1", "escPosAscii", 0, 254, -1, {0x1B, 0x70, 0x30, 0xFE, 0x00}},
    {"esc int extremes", "", 0, kMax, kMin, {0x1B, 0x70, 0x00, 0xFF, 0x00}},

    // Star clamps to 1..127.
    {"star on 0", "starPrnt", 0, 0, 250, {0x1B, 0x07, 0x01, 0x7F, 0x07}},
    {"star on negative", "starPrnt", 0, -40, 250, {0x1B, 0x07, 0x01, 0x7F, 0x07}},
    {"star bounds kept", "starPrnt", 0, 1, 127, {0x1B, 0x07, 0x01, 0x7F, 0x07}},
    {"star off 128", "starPrnt", 1, 126, 128, {0x1B, 0x07, 0x7E, 0x7F, 0x1A}},
    {"star off 0", "starPrnt", 0, 50, 0, {0x1B, 0x07, 0x32, 0x01, 0x07}},
    {"star int extremes", "starPrnt", 0, kMin, kMax, {0x1B, 0x07, 0x01, 0x7F, 0x07}},
};

TEST(BuildDrawerCommand, MatchesTheCommandTable) {
  for (const CommandCase& c : kCommandCases) {
    SCOPED_TRACE(c.label);
    EXPECT_EQ(BuildDrawerCommand(c.protocol, c.pin, c.pulse_on, c.pulse_off), c.bytes);
  }
}

TEST(DialectOfProtocol, OnlyTheExactNamesSelectTheirDialects) {
  EXPECT_EQ(DialectOfProtocol("starPrnt"), DrawerDialect::kStar);
  EXPECT_EQ(DialectOfProtocol("escPosAscii"), DrawerDialect::kEscPosAscii);
  for (const char* other : {"", "escPos", "starprnt", "escposascii", "starPrnt\n"}) {
    SCOPED_TRACE(other);
    EXPECT_EQ(DialectOfProtocol(other), DrawerDialect::kEscPosNumeric);
  }
}

}  // namespace
}  // namespace kestro
