#include "cash_drawer/drawer_status.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace kestro {
namespace {

using Bytes = std::vector<uint8_t>;
constexpr DrawerLevel kLow = DrawerLevel::kLow;
constexpr DrawerLevel kHigh = DrawerLevel::kHigh;
constexpr StatusDialect kEscPos = StatusDialect::kEscPos;
constexpr StatusDialect kStar = StatusDialect::kStar;

DrawerStatus Answer(DrawerLevel level, bool offline = false,
                    std::optional<bool> cover_open = std::nullopt) {
  return {true, level, offline, cover_open};
}
DrawerStatus Unsolicited(DrawerLevel level, bool offline = false, bool cover_open = false) {
  return {false, level, offline, cover_open};
}

struct StreamCase {
  const char* label;
  StatusDialect dialect;
  std::vector<Bytes> pieces;  // as the channel delivers them
  DrawerLevel open_level;
  std::vector<DrawerStatus> statuses;
  size_t skipped;
  DrawerState state;  // of the first answer, as a read takes it
};

std::vector<StreamCase> StreamCases() {
  const Bytes asb_low = {0x10, 0x00, 0x0F, 0x00};
  const Bytes asb_high_cover = {0x34, 0x00, 0x00, 0x40};
  // Star frames of 7 bytes (head 0x0F) and 9 bytes (head 0x23); the third
  // byte is the status.
  const auto star7 = [](uint8_t status) { return Bytes{0x0F, 0x04, status, 0, 0, 0, 0}; };
  const DrawerState kOpen = DrawerState::kOpen;
  const DrawerState kClosed = DrawerState::kClosed;
  const DrawerState kUnknown = DrawerState::kUnknown;
  // clang-format off
  return {
      {"ESC/POS answer, low", kEscPos, {{0x12}}, kLow, {Answer(kLow)}, 0, kOpen},
      {"ESC/POS answer, high", kEscPos, {{0x16}}, kLow, {Answer(kHigh)}, 0, kClosed},
      {"ESC/POS answer, high, offline", kEscPos, {{0x1E}}, kLow, {Answer(kHigh, true)}, 0,
       kClosed},
      {"ESC/POS answer, the polarity set to high", kEscPos, {{0x16}}, kHigh, {Answer(kHigh)}, 0,
       kOpen},
      {"ESC/POS frames before the answer, in pieces", kEscPos,
       {{0x34, 0x00}, {0x00, 0x40, 0x10}, {0x00, 0x0F, 0x00, 0x16}}, kLow,
       {Unsolicited(kHigh, false, true), Unsolicited(kLow), Answer(kHigh)}, 0, kClosed},
      {"ESC/POS frame byte by byte, then the answer", kEscPos,
       {{0x10}, {0x00}, {0x0F}, {0x00}, {0x12}}, kLow, {Unsolicited(kLow), Answer(kLow)}, 0,
       kOpen},
      {"ESC/POS stale frame saying open: the answer counts", kEscPos,
       {asb_low, {0x16}}, kLow, {Unsolicited(kLow), Answer(kHigh)}, 0, kClosed},
      {"ESC/POS garbage only", kEscPos, {{0xFF, 0x00, 0x41}, {0x13, 0x11, 0x80}}, kLow, {}, 6,
       kUnknown},
      {"ESC/POS garbage, then the answer", kEscPos, {{0x80, 0x01}, {0x16}}, kLow,
       {Answer(kHigh)}, 2, kClosed},
      {"ESC/POS frame cut by the answer", kEscPos, {{0x14, 0x00}, {0x12}}, kLow,
       {Answer(kLow)}, 2, kOpen},
      {"ESC/POS frame cut by another frame", kEscPos, {{0x14, 0x00, 0x00}, asb_high_cover},
       kLow, {Unsolicited(kHigh, false, true)}, 3, kUnknown},
      {"ESC/POS cut frame and nothing more", kEscPos, {{0x14, 0x00}}, kLow, {}, 0, kUnknown},
      {"ESC/POS no answer", kEscPos, {}, kLow, {}, 0, kUnknown},

      {"Star frame, switch high: closed", kStar, {star7(0x04)}, kLow,
       {Answer(kHigh, false, false)}, 0, kClosed},
      {"Star frame, switch low: open", kStar, {star7(0x00)}, kLow,
       {Answer(kLow, false, false)}, 0, kOpen},
      {"Star frame, offline, cover open", kStar, {star7(0x2C)}, kLow,
       {Answer(kHigh, true, true)}, 0, kClosed},
      {"Star 9-byte frame in pieces", kStar, {{0x23, 0x06}, {0x00, 0, 0, 0}, {0, 0, 0}}, kLow,
       {Answer(kLow, false, false)}, 0, kOpen},
      {"Star polarity set to high", kStar, {star7(0x04)}, kHigh, {Answer(kHigh, false, false)},
       0, kOpen},
      {"Star frames back to back: the first counts", kStar, {star7(0x04), star7(0x00)}, kLow,
       {Answer(kHigh, false, false), Answer(kLow, false, false)}, 0, kClosed},
      {"Star stale tail of a frame, then a frame", kStar,
       {{0x00, 0x04, 0x00, 0x0F}, {0x04, 0x04, 0, 0, 0, 0}}, kLow,
       {Answer(kHigh, false, false)}, 3, kClosed},
      {"Star garbage, and a head too short for a status", kStar,
       {{0xFF, 0x80, 0x10, 0x03, 0x00}}, kLow, {}, 5, kUnknown},
      {"Star frame cut by the next frame", kStar, {{0x0F, 0x04, 0x00}, star7(0x04)}, kLow,
       {Answer(kHigh, false, false)}, 3, kClosed},
      {"Star cut frame and nothing more", kStar, {{0x0F, 0x04, 0x04}}, kLow, {}, 0, kUnknown},
      {"Star no answer", kStar, {}, kLow, {}, 0, kUnknown},
      {"Star bytes of an ESC/POS answer are not a Star answer", kStar, {{0x12, 0x16}}, kLow, {},
       2, kUnknown},
  };
  // clang-format on
}

TEST(StatusParser, ReadsEachDialectsStatusesOutOfTheStream) {
  for (const StreamCase& c : StreamCases()) {
    SCOPED_TRACE(c.label);
    StatusParser parser(c.dialect);
    std::vector<DrawerStatus> statuses;
    for (const Bytes& piece : c.pieces) {
      for (const DrawerStatus& status : parser.Feed(piece)) statuses.push_back(status);
    }
    EXPECT_EQ(statuses, c.statuses);
    EXPECT_EQ(parser.skipped_bytes(), c.skipped);
    DrawerState state = DrawerState::kUnknown;
    for (const DrawerStatus& status : statuses) {
      if (!status.answer) continue;
      state = StateOfLevel(status.level, c.open_level);
      break;
    }
    EXPECT_EQ(state, c.state);
  }
}

TEST(StatusRequest, IsThreeBytesPerDialect) {
  EXPECT_EQ(StatusRequest(kEscPos), (Bytes{0x10, 0x04, 0x01}));
  EXPECT_EQ(StatusRequest(kStar), (Bytes{0x1B, 0x06, 0x01}));
  // The protocol picks the dialect exactly as it picks the kick's.
  EXPECT_EQ(StatusDialectOfProtocol("starPrnt"), kStar);
  for (const char* protocol : {"", "escPosAscii", "StarPrnt", "starPrnt ", "star"}) {
    EXPECT_EQ(StatusDialectOfProtocol(protocol), kEscPos) << protocol;
  }
}

TEST(ParseLevel, TakesLowAndHighInAnyCase) {
  const std::pair<const char16_t*, std::optional<DrawerLevel>> cases[] = {
      {u"low", kLow},       {u"HIGH", kHigh},        {u"High", kHigh},
      {u"", std::nullopt},  {u"lo", std::nullopt},   {u" low", std::nullopt},
      {u"0", std::nullopt}, {u"open", std::nullopt}, {u"l\u00F6w", std::nullopt},
  };
  for (const auto& [text, level] : cases) {
    EXPECT_EQ(ParseLevel(text), level);
  }
  EXPECT_STREQ(LevelName(kLow), "low");
  EXPECT_STREQ(LevelName(kHigh), "high");
}

}  // namespace
}  // namespace kestro
