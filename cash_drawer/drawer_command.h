// The five-byte drawer-kick command in the three printer dialects.
//
//   StarDialect          1B 07 on off dev   on, off clamped to 1..127;
//                                           dev 1A (SUB) for pin 1, else 07 (BEL)
//   EscPosAsciiDialect   1B 70 m t1 t2      m '1' (0x31) for pin 1, else '0' (0x30)
//   EscPosNumericDialect 1B 70 m t1 t2      m 1 for pin 1, else 0
// In both ESC/POS dialects t1 and t2 are the pulse values clamped to 0..255.
// The pulse values are in the command set's own units.

#ifndef KESTRO_CASH_DRAWER_DRAWER_COMMAND_H_
#define KESTRO_CASH_DRAWER_DRAWER_COMMAND_H_

#include <cstdint>
#include <string>
#include <vector>

namespace kestro {

enum class DrawerDialect {
  kStar,
  kEscPosAscii,
  kEscPosNumeric,
};

// "starPrnt" is the Star dialect and "escPosAscii" the ESC/POS one with an
// ASCII drawer digit, compared byte for byte; anything else, the empty
// protocol included, is ESC/POS with a numeric drawer number.
DrawerDialect DialectOfProtocol(const std::string& protocol);

// The command for `protocol`. Only `pin` 1 selects the second drawer output.
std::vector<uint8_t> BuildDrawerCommand(const std::string& protocol, int32_t pin, int32_t pulse_on,
                                        int32_t pulse_off);

}  // namespace kestro

#endif  // KESTRO_CASH_DRAWER_DRAWER_COMMAND_H_
