#include "cash_drawer/drawer_status.h"

#include "cash_drawer/drawer_command.h"

namespace kestro {
namespace {

// ESC/POS: the real-time status byte 0xx1xx10, the first byte of an Automatic
// Status Back frame 0xx1xx00, and its other three bytes 0xx0xxxx.
constexpr uint8_t kRealTimeMask = 0x93;
constexpr uint8_t kRealTimePattern = 0x12;
constexpr uint8_t kAsbHeadMask = 0x93;
constexpr uint8_t kAsbHeadPattern = 0x10;
constexpr uint8_t kAsbBodyMask = 0x90;
constexpr size_t kAsbFrameLength = 4;

// Star: the frame's first byte has bit 0 set and bits 4 and 7 clear; every
// other byte has bit 0 clear. A frame holds at least the header, the version
// and the first status byte.
constexpr uint8_t kStarHeadMask = 0x91;
constexpr uint8_t kStarHeadPattern = 0x01;
constexpr size_t kStarStatusIndex = 2;

// The bits shared by the ESC/POS bytes and Star's first status byte.
constexpr uint8_t kDrawerBit = 0x04;
constexpr uint8_t kOfflineBit = 0x08;
constexpr uint8_t kCoverBit = 0x20;

bool Fits(uint8_t byte, uint8_t mask, uint8_t pattern) { return (byte & mask) == pattern; }

DrawerStatus StatusOf(uint8_t byte, bool answer, bool says_cover) {
  DrawerStatus status;
  status.answer = answer;
  status.level = (byte & kDrawerBit) != 0 ? DrawerLevel::kHigh : DrawerLevel::kLow;
  status.offline = (byte & kOfflineBit) != 0;
  if (says_cover) status.cover_open = (byte & kCoverBit) != 0;
  return status;
}

size_t StarFrameLength(uint8_t head) {
  return static_cast<size_t>(((head >> 1) & 0x07) | ((head & 0x20) >> 2));
}

bool IsStarHead(uint8_t byte) {
  return Fits(byte, kStarHeadMask, kStarHeadPattern) && StarFrameLength(byte) > kStarStatusIndex;
}

char16_t LowerAscii(char16_t unit) {
  return unit >= u'A' && unit <= u'Z' ? static_cast<char16_t>(unit - u'A' + u'a') : unit;
}

}  // namespace

StatusDialect StatusDialectOfProtocol(const std::string& protocol) {
  return DialectOfProtocol(protocol) == DrawerDialect::kStar ? StatusDialect::kStar
                                                             : StatusDialect::kEscPos;
}

std::vector<uint8_t> StatusRequest(StatusDialect dialect) {
  if (dialect == StatusDialect::kStar) return {0x1B, 0x06, 0x01};
  return {0x10, 0x04, 0x01};
}

const char* LevelName(DrawerLevel level) { return level == DrawerLevel::kHigh ? "high" : "low"; }

const char* StateName(DrawerState state) {
  switch (state) {
    case DrawerState::kOpen:
      return "open";
    case DrawerState::kClosed:
      return "closed";
    case DrawerState::kUnknown:
      break;
  }
  return "unknown";
}

std::optional<DrawerLevel> ParseLevel(const std::u16string& text) {
  std::u16string folded = text;
  for (char16_t& unit : folded) unit = LowerAscii(unit);
  if (folded == u"low") return DrawerLevel::kLow;
  if (folded == u"high") return DrawerLevel::kHigh;
  return std::nullopt;
}

DrawerState StateOfLevel(DrawerLevel level, DrawerLevel open_level) {
  return level == open_level ? DrawerState::kOpen : DrawerState::kClosed;
}

std::vector<DrawerStatus> StatusParser::Feed(const uint8_t* bytes, size_t size) {
  std::vector<DrawerStatus> statuses;
  for (size_t i = 0; i < size; ++i) {
    if (std::optional<DrawerStatus> status = Take(bytes[i])) statuses.push_back(*status);
  }
  return statuses;
}

std::optional<DrawerStatus> StatusParser::Take(uint8_t byte) {
  return dialect_ == StatusDialect::kStar ? TakeStar(byte) : TakeEscPos(byte);
}

std::optional<DrawerStatus> StatusParser::TakeEscPos(uint8_t byte) {
  if (!frame_.empty()) {
    if (!Fits(byte, kAsbBodyMask, 0)) {
      DropFrame();
      return TakeEscPos(byte);
    }
    frame_.push_back(byte);
    if (frame_.size() < frame_length_) return std::nullopt;
    const DrawerStatus status = StatusOf(frame_[0], false, true);
    frame_.clear();
    return status;
  }
  if (Fits(byte, kRealTimeMask, kRealTimePattern)) return StatusOf(byte, true, false);
  if (Fits(byte, kAsbHeadMask, kAsbHeadPattern)) {
    frame_.push_back(byte);
    frame_length_ = kAsbFrameLength;
    return std::nullopt;
  }
  ++skipped_;
  return std::nullopt;
}

std::optional<DrawerStatus> StatusParser::TakeStar(uint8_t byte) {
  if (!frame_.empty()) {
    if ((byte & 0x01) != 0) {
      DropFrame();
      return TakeStar(byte);
    }
    frame_.push_back(byte);
    if (frame_.size() < frame_length_) return std::nullopt;
    const DrawerStatus status = StatusOf(frame_[kStarStatusIndex], true, true);
    frame_.clear();
    return status;
  }
  if (IsStarHead(byte)) {
    frame_.push_back(byte);
    frame_length_ = StarFrameLength(byte);
    return std::nullopt;
  }
  ++skipped_;
  return std::nullopt;
}

void StatusParser::DropFrame() {
  skipped_ += frame_.size();
  frame_.clear();
}

}  // namespace kestro
