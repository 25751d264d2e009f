// How a drawer link or a lookup says that a system call failed: the call, what
// it was made on, and the code the system gave, so that a technician can look
// the code up ("CreateFileW on \\.\COM3 failed with error 5").

#ifndef KESTRO_CASH_DRAWER_CALL_FAILURE_H_
#define KESTRO_CASH_DRAWER_CALL_FAILURE_H_

#include <cstdint>
#include <string>

namespace kestro {

// `call` names the call and, where it helps, its subject.
inline std::string CallFailure(const std::string& call, uint32_t code) {
  return call + " failed with error " + std::to_string(code);
}

}  // namespace kestro

#endif  // KESTRO_CASH_DRAWER_CALL_FAILURE_H_
