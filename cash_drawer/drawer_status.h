// What a receipt printer says about its drawer over a direct channel
// (drawer_link.h): the status request of each dialect, a parser that takes the
// printer's bytes as they arrive, in pieces, and the polarity that turns the
// level of the drawer switch into "open" or "closed".
//
// ESC/POS (every protocol but "starPrnt"): DLE EOT 1 (10 04 01) asks for the
// real-time printer status, one byte, answered even while the printer is busy.
// Its pattern is 0xx1xx10; bit 2 is the level of pin 3 of the drawer
// connector, bit 3 is set when the printer is offline. Printers with Automatic
// Status Back send unsolicited four-byte frames too, whose first byte is
// 0xx1xx00 (bit 2 the same drawer level, bit 3 offline, bit 5 cover open) and
// whose other bytes have bits 4 and 7 clear.
//
// Star ("starPrnt"): ESC ACK SOH (1B 06 01) asks for an automatic-status
// frame. Its first byte has bit 0 set and bits 4 and 7 clear, and holds the
// frame's length (bits 1 to 3 its low three bits, bit 5 its bit 3); every
// other byte has bit 0 clear. The third byte is the first status byte: bit 2
// the drawer switch, bit 3 offline, bit 5 cover open. Printers with automatic
// status on send such frames by themselves on every change.

#ifndef KESTRO_CASH_DRAWER_DRAWER_STATUS_H_
#define KESTRO_CASH_DRAWER_DRAWER_STATUS_H_

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kestro {

// The two status dialects; StatusDialectOfProtocol picks one from a call's
// protocol: Star for the Star kick's dialect (DialectOfProtocol), ESC/POS
// for both ESC/POS ones.
enum class StatusDialect { kEscPos, kStar };
StatusDialect StatusDialectOfProtocol(const std::string& protocol);

// The bytes that ask for the status: 10 04 01 or 1B 06 01. Nothing else is
// ever written to a direct channel.
std::vector<uint8_t> StatusRequest(StatusDialect dialect);

// The level of the drawer switch as the printer reports it.
enum class DrawerLevel { kLow, kHigh };

// What the drawer is, as far as a reading tells.
enum class DrawerState { kOpen, kClosed, kUnknown };

// "low" and "high"; "open", "closed" and "unknown".
const char* LevelName(DrawerLevel level);
const char* StateName(DrawerState state);

// "low" or "high" in any letter case; std::nullopt for anything else.
std::optional<DrawerLevel> ParseLevel(const std::u16string& text);

// The level that means "open" when nothing is set: low for both dialects (for
// Star that is the maker's table, where a clear switch bit means open).
inline constexpr DrawerLevel kDefaultOpenLevel = DrawerLevel::kLow;

// The drawer's state for a level read, given the level that means open.
DrawerState StateOfLevel(DrawerLevel level, DrawerLevel open_level);

// One status the printer sent.
struct DrawerStatus {
  // The answer to the request (the ESC/POS real-time byte; any Star frame,
  // since a Star printer answers with the same frame it sends by itself), or
  // an unsolicited ESC/POS Automatic Status Back frame.
  bool answer = false;
  DrawerLevel level = DrawerLevel::kLow;
  bool offline = false;
  // Whether the cover is open; none for the ESC/POS real-time byte, which
  // does not say.
  std::optional<bool> cover_open;

  bool operator==(const DrawerStatus& other) const {
    return answer == other.answer && level == other.level && offline == other.offline &&
           cover_open == other.cover_open;
  }
};

// Reads one dialect's statuses out of the bytes a channel delivers, which may
// come in any pieces: a frame cut between two Feed calls is completed by the
// next. Bytes that belong to no status (noise, a frame's tail whose start was
// discarded, a byte of a wrong line speed) are skipped and counted. A frame
// whose bytes stop fitting its layout before it is complete was cut short; it
// is dropped and the byte that did not fit is read afresh.
class StatusParser {
 public:
  explicit StatusParser(StatusDialect dialect) : dialect_(dialect) {}

  // Reads `size` more bytes and returns the statuses completed by them, in
  // the order they arrived.
  std::vector<DrawerStatus> Feed(const uint8_t* bytes, size_t size);
  std::vector<DrawerStatus> Feed(const std::vector<uint8_t>& bytes) {
    return Feed(bytes.data(), bytes.size());
  }

  // Bytes skipped so far as belonging to no status (cut frames included).
  size_t skipped_bytes() const { return skipped_; }

 private:
  std::optional<DrawerStatus> Take(uint8_t byte);
  std::optional<DrawerStatus> TakeEscPos(uint8_t byte);
  std::optional<DrawerStatus> TakeStar(uint8_t byte);
  void DropFrame();

  StatusDialect dialect_;
  // The bytes of a frame begun and not yet complete, and its full length.
  std::vector<uint8_t> frame_;
  size_t frame_length_ = 0;
  size_t skipped_ = 0;
};

}  // namespace kestro

#endif  // KESTRO_CASH_DRAWER_DRAWER_STATUS_H_
