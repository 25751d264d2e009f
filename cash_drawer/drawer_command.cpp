#include "cash_drawer/drawer_command.h"

#include <algorithm>

namespace kestro {
namespace {

constexpr uint8_t kEsc = 0x1B;
constexpr uint8_t kBel = 0x07;
constexpr uint8_t kSub = 0x1A;
constexpr uint8_t kGeneratePulse = 0x70;  // 'p'

uint8_t ClampToByte(int32_t value, int32_t low, int32_t high) {
  return static_cast<uint8_t>(std::clamp(value, low, high));
}

}  // namespace

DrawerDialect DialectOfProtocol(const std::string& protocol) {
  if (protocol == "starPrnt") return DrawerDialect::kStar;
  if (protocol == "escPosAscii") return DrawerDialect::kEscPosAscii;
  return DrawerDialect::kEscPosNumeric;
}

std::vector<uint8_t> BuildDrawerCommand(const std::string& protocol, int32_t pin, int32_t pulse_on,
                                        int32_t pulse_off) {
  const bool second_drawer = pin == 1;
  const DrawerDialect dialect = DialectOfProtocol(protocol);
  if (dialect == DrawerDialect::kStar) {
    return {kEsc, kBel, ClampToByte(pulse_on, 1, 127), ClampToByte(pulse_off, 1, 127),
            second_drawer ? kSub : kBel};
  }
  const uint8_t first_drawer_code = dialect == DrawerDialect::kEscPosAscii ? 0x30 : 0x00;
  return {kEsc, kGeneratePulse, static_cast<uint8_t>(first_drawer_code + (second_drawer ? 1 : 0)),
          ClampToByte(pulse_on, 0, 255), ClampToByte(pulse_off, 0, 255)};
}

}  // namespace kestro
