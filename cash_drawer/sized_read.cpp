#include "cash_drawer/sized_read.h"

#include "cash_drawer/print_spooler.h"

namespace kestro {

bool ReadSized(const SizedQuery& query, std::vector<uint8_t>* buffer, uint32_t* error_code) {
  buffer->clear();
  SizedCall call = query(buffer);
  if (call.ok) return true;
  for (int attempt = 0; attempt < kSizedReadAttempts; ++attempt) {
    const bool grew = call.error_code == kInsufficientBufferError && call.needed > buffer->size();
    if (!grew) break;
    buffer->assign(call.needed, 0);
    call = query(buffer);
    if (call.ok) return true;
  }
  *error_code = call.error_code;
  return false;
}

}  // namespace kestro
